#include "editor/frmConfig.h"

#include "editor/FieldBinder.h"
#include "editor/NavigationKeys.h"
#include "editor/NavigationPictures.h"
#include "editor/RecordsetTableModel.h"
#include "editor/StringBack.h"
#include "platform/AppFolder.h"
#include "platform/Twips.h"
#include "store/Connection.h"
#include "store/ConnectionString.h"
#include "store/Recordset.h"
#include "store/Statements.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <limits>

namespace keysound::editor {

namespace {
struct TwipsRect {
    int left, top, width, height;
};

constexpr int ClientWidth = 6045;
constexpr int ClientHeight = 2970;
constexpr int BarHeight = 300;
constexpr TwipsRect LabelKeyRect{120, 60, 1815, 255};
constexpr TwipsRect FieldKeyRect{2040, 60, 3375, 285};
constexpr TwipsRect LabelFileRect{120, 380, 1815, 255};
constexpr TwipsRect FieldFileRect{2040, 380, 495, 285};
constexpr TwipsRect GridRect{0, 960, 5760, 1305};
constexpr TwipsRect ImportRect{2760, 360, 990, 360};
constexpr int BarButtonWidth = 1095;
constexpr int NavButtonWidth = 345;
constexpr int FirstLeft = 0;
constexpr int PreviousLeft = 345;
constexpr TwipsRect StatusRect{690, 0, 3360, 285};
constexpr int NextLeft = 4200;
constexpr int LastLeft = 4545;

void place(QWidget* widget, const TwipsRect& r)
{
    platform::placeInTwips(widget, r.left, r.top, r.width, r.height);
}

QPushButton* barButton(QWidget* bar, const QString& caption)
{
    auto* button = new QPushButton(caption, bar);
    button->setAutoDefault(false);  // Enter in a text box must not press a button
    return button;
}

QPushButton* navigationButton(QWidget* bar, NavigationPicture picture)
{
    auto* button = barButton(bar, QString());
    button->setIcon(navigationIcon(picture));
    button->setIconSize(QSize(NavigationPictureSize, NavigationPictureSize));
    return button;
}

QFont gridFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("Noto Serif CJK SC")});
    font.setPointSizeF(9);
    font.setWeight(QFont::Normal);
    return font;
}
}  // namespace

frmConfig::frmConfig(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Config"));
    createControls();
    connectHandlers();
    orderTabs();
    installKeyPreview();
    applyDesign();
}

frmConfig::~frmConfig()
{
    // The views let go of the recordset before it goes.
    for (FieldBinder* binder : binders_)
        binder->setDataSource(nullptr);
    gridModel_->setRecordset(nullptr);
}

void frmConfig::createControls()
{
    lblLabels[0] = new QLabel(QStringLiteral("键位:"), this);
    txtFields[0] = new QLineEdit(this);
    lblLabels[1] = new QLabel(QStringLiteral("文件名:"), this);
    txtFields[1] = new QLineEdit(this);
    for (int i = 0; i < 2; ++i)
        txtFields[i]->setMaxLength(std::numeric_limits<int>::max());  // no silent cut of long values
    binders_[0] = new FieldBinder(txtFields[0], QStringLiteral("键位"), this);
    binders_[1] = new FieldBinder(txtFields[1], QStringLiteral("文件名"), this);

    createGrid();
    createStatusBar();
    createButtonBar();
    Command1 = new QPushButton(QStringLiteral("导入文件"), this);
    Command1->setAutoDefault(false);
    nameControls();
}

void frmConfig::createGrid()
{
    grdDataGrid = new QTableView(this);
    gridModel_ = new RecordsetTableModel(this);
    // The selection moves by itself when rows come and go; that is no choice of the user. These
    // connections come before the view's own, so the flag is up before the selection moves.
    const auto followRecordset = [this] { followingRecordset_ = true; };
    connect(gridModel_, &QAbstractItemModel::modelAboutToBeReset, this, followRecordset);
    connect(gridModel_, &QAbstractItemModel::rowsAboutToBeInserted, this, followRecordset);
    connect(gridModel_, &QAbstractItemModel::rowsAboutToBeRemoved, this, followRecordset);
    grdDataGrid->setModel(gridModel_);
    grdDataGrid->setFont(gridFont());
    grdDataGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdDataGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdDataGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    grdDataGrid->setWordWrap(false);
    grdDataGrid->verticalHeader()->hide();
    // Fixed row heights keep a 100k-row table as cheap to lay out as a short one.
    grdDataGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grdDataGrid->verticalHeader()->setDefaultSectionSize(QFontMetrics(gridFont()).height() + 4);
}

// The designed names, for accessibility tools and tests.
void frmConfig::nameControls()
{
    const std::pair<QWidget*, const char*> names[] = {
        {lblLabels[0], "lblLabels(0)"}, {txtFields[0], "txtFields(0)"}, {lblLabels[1], "lblLabels(1)"},
        {txtFields[1], "txtFields(1)"}, {grdDataGrid, "grdDataGrid"},   {picStatBox, "picStatBox"},
        {cmdFirst, "cmdFirst"},         {cmdPrevious, "cmdPrevious"},   {lblStatus, "lblStatus"},
        {cmdNext, "cmdNext"},           {cmdLast, "cmdLast"},           {picButtons, "picButtons"},
        {cmdAdd, "cmdAdd"},             {cmdEdit, "cmdEdit"},           {cmdDelete, "cmdDelete"},
        {cmdRefresh, "cmdRefresh"},     {cmdClose, "cmdClose"},         {cmdUpdate, "cmdUpdate"},
        {cmdCancel, "cmdCancel"},       {Command1, "Command1"}};
    for (const auto& [widget, name] : names)
        widget->setObjectName(QLatin1String(name));
    setObjectName(QStringLiteral("frmConfig"));
}

void frmConfig::createStatusBar()
{
    picStatBox = new QWidget(this);
    cmdFirst = navigationButton(picStatBox, NavigationPicture::First);
    cmdPrevious = navigationButton(picStatBox, NavigationPicture::Previous);
    lblStatus = new QLabel(picStatBox);
    lblStatus->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    lblStatus->setAutoFillBackground(true);
    QPalette white = lblStatus->palette();
    white.setColor(QPalette::Window, QColor(255, 255, 255));
    lblStatus->setPalette(white);
    cmdNext = navigationButton(picStatBox, NavigationPicture::Next);
    cmdLast = navigationButton(picStatBox, NavigationPicture::Last);
}

void frmConfig::createButtonBar()
{
    picButtons = new QWidget(this);
    cmdAdd = barButton(picButtons, QStringLiteral("添加(&A)"));
    cmdEdit = barButton(picButtons, QStringLiteral("编辑(&E)"));
    cmdDelete = barButton(picButtons, QStringLiteral("删除(&D)"));
    cmdRefresh = barButton(picButtons, QStringLiteral("刷新(&R)"));
    cmdClose = barButton(picButtons, QStringLiteral("关闭(&C)"));
    cmdUpdate = barButton(picButtons, QStringLiteral("更新(&U)"));
    cmdCancel = barButton(picButtons, QStringLiteral("取消(&C)"));
}

void frmConfig::connectHandlers()
{
    const std::pair<QPushButton*, void (frmConfig::*)()> clicks[] = {
        {cmdAdd, &frmConfig::cmdAdd_Click},       {cmdEdit, &frmConfig::cmdEdit_Click},
        {cmdDelete, &frmConfig::cmdDelete_Click}, {cmdRefresh, &frmConfig::cmdRefresh_Click},
        {cmdClose, &frmConfig::cmdClose_Click},   {cmdUpdate, &frmConfig::cmdUpdate_Click},
        {cmdCancel, &frmConfig::cmdCancel_Click}, {cmdFirst, &frmConfig::cmdFirst_Click},
        {cmdPrevious, &frmConfig::cmdPrevious_Click}, {cmdNext, &frmConfig::cmdNext_Click},
        {cmdLast, &frmConfig::cmdLast_Click},     {Command1, &frmConfig::Command1_Click},
    };
    for (const auto& [button, handler] : clicks)
        connect(button, &QPushButton::clicked, this, handler);

    connect(grdDataGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { gridRowChosen(current.row()); });
    const auto showCurrentRow = [this] {
        followingRecordset_ = false;
        showCurrentRowInGrid();
    };
    connect(gridModel_, &QAbstractItemModel::modelReset, this, showCurrentRow);
    connect(gridModel_, &QAbstractItemModel::rowsInserted, this, showCurrentRow);
    connect(gridModel_, &QAbstractItemModel::rowsRemoved, this, showCurrentRow);
}

void frmConfig::orderTabs()
{
    QWidget* const order[] = {txtFields[0], txtFields[1], grdDataGrid, cmdFirst,   cmdPrevious, cmdNext,  cmdLast,
                              cmdAdd,       cmdEdit,      cmdDelete,   cmdRefresh, cmdClose,    cmdUpdate, cmdCancel,
                              Command1};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
    picStatBox->setFocusPolicy(Qt::NoFocus);
    picButtons->setFocusPolicy(Qt::NoFocus);
}

void frmConfig::installKeyPreview()
{
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

// The controls as designed: what every load starts from.
void frmConfig::applyDesign()
{
    platform::resizeClientInTwips(this, ClientWidth, ClientHeight);
    place(lblLabels[0], LabelKeyRect);
    place(txtFields[0], FieldKeyRect);
    place(lblLabels[1], LabelFileRect);
    place(txtFields[1], FieldFileRect);
    place(grdDataGrid, GridRect);
    place(Command1, ImportRect);
    platform::placeInTwips(picStatBox, 0, ClientHeight - BarHeight, ClientWidth, BarHeight);
    platform::placeInTwips(picButtons, 0, ClientHeight - 2 * BarHeight, ClientWidth, BarHeight);

    platform::placeInTwips(cmdFirst, FirstLeft, 0, NavButtonWidth, BarHeight);
    platform::placeInTwips(cmdPrevious, PreviousLeft, 0, NavButtonWidth, BarHeight);
    place(lblStatus, StatusRect);
    platform::placeInTwips(cmdNext, NextLeft, 0, NavButtonWidth, BarHeight);
    platform::placeInTwips(cmdLast, LastLeft, 0, NavButtonWidth, BarHeight);
    resized_ = {float(GridRect.width), float(GridRect.height), float(StatusRect.width), float(NextLeft),
                float(LastLeft)};

    const std::pair<QPushButton*, int> barLefts[] = {{cmdAdd, 59},   {cmdEdit, 1213},  {cmdDelete, 2367}, {cmdRefresh, 3521},
                                                     {cmdClose, 4675}, {cmdUpdate, 59}, {cmdCancel, 1213}};
    for (const auto& [button, left] : barLefts) {
        platform::placeInTwips(button, left, 0, BarButtonWidth, BarHeight);
        button->setVisible(button != cmdUpdate && button != cmdCancel);
    }
    for (QPushButton* button : {cmdFirst, cmdPrevious, cmdNext, cmdLast})
        button->setEnabled(true);
    for (QLineEdit* box : txtFields)
        box->clear();
    lblStatus->clear();
    cdl = OpenFileDialog{};
}

void frmConfig::Show(int modal)
{
    if (!loaded_) {
        applyDesign();
        Form_Load();
        loaded_ = true;
    }
    if (modal == 1)
        exec();
    else
        show();
}

void frmConfig::Unload()
{
    close();
}

QString frmConfig::GetStringBack(QString St, QString sP) const
{
    return getStringBack(St, sP);
}

void frmConfig::Form_Load()
{
    auto connection = std::make_shared<store::Connection>();
    connection->CursorLocation = store::adUseClient;
    connection->Open(store::connectionStringFor(platform::appFolder()), QString(), QString(),
                     store::adConnectUnspecified);

    for (FieldBinder* binder : binders_)
        binder->setDataSource(nullptr);
    bindGrid(nullptr);
    adoPrimaryRS = std::make_unique<store::Recordset>();
    connect(adoPrimaryRS.get(), &store::Recordset::MoveComplete, this, &frmConfig::adoPrimaryRS_MoveComplete);
    connect(adoPrimaryRS.get(), &store::Recordset::WillChangeRecord, this,
            &frmConfig::adoPrimaryRS_WillChangeRecord);
    adoPrimaryRS->Open(store::editorStatement(), connection, store::adOpenStatic, store::adLockOptimistic,
                       store::adCmdUnspecified);

    for (FieldBinder* binder : binders_)
        binder->setDataSource(adoPrimaryRS.get());
    bindGrid(adoPrimaryRS.get());
}

void frmConfig::Form_Resize()
{
    resized_ = resizeControls(resizeMetrics(), resized_).controls;
    placeResizedControls();
}

ResizeMetrics frmConfig::resizeMetrics() const
{
    const double dpi = platform::logicalDpi(this);
    const auto twips = [dpi](int pixels) { return float(platform::pixelsToTwips(pixels, dpi)); };
    return {twips(width()),           twips(height()),          twips(frameGeometry().width()),
            twips(grdDataGrid->y()),  twips(picButtons->height()), twips(picStatBox->height())};
}

void frmConfig::placeResizedControls()
{
    const double dpi = platform::logicalDpi(this);
    const auto pixels = [dpi](float twips) { return platform::twipsToPixels(twips, dpi); };
    grdDataGrid->resize(pixels(resized_.gridWidth), pixels(resized_.gridHeight));
    lblStatus->resize(pixels(resized_.lblStatusWidth), lblStatus->height());
    cmdNext->move(pixels(resized_.cmdNextLeft), cmdNext->y());
    cmdLast->move(pixels(resized_.cmdLastLeft), cmdLast->y());
}

void frmConfig::dockBars()
{
    const int barHeight = platform::twipsToPixels(BarHeight, platform::logicalDpi(this));
    picStatBox->setGeometry(0, height() - barHeight, width(), barHeight);
    picButtons->setGeometry(0, height() - 2 * barHeight, width(), barHeight);
}

void frmConfig::Form_Unload()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void frmConfig::cmdClose_Click()
{
    Unload();
}

void frmConfig::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    dockBars();
    if (isVisible())
        Form_Resize();
}

void frmConfig::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    dockBars();
    Form_Resize();
    txtFields[0]->setFocus();
}

void frmConfig::closeEvent(QCloseEvent* event)
{
    if (loaded_) {
        loaded_ = false;
        Form_Unload();
    }
    event->accept();  // hiding ends a modal showing
}

void frmConfig::reject()
{
    close();
}

// Esc reaches the window through the key preview only; a dialog would otherwise close on it
// in every state.
void frmConfig::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool frmConfig::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && isKeyPreviewTarget(watched)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        Form_KeyDown(keyCodeOf(key->key()), shiftStateOf(key->modifiers()));
    }
    return false;  // the control still gets the key
}

// A key that the focused control ignores travels on to its parents; only its first stop is
// previewed.
bool frmConfig::isKeyPreviewTarget(const QObject* watched) const
{
    const QWidget* focus = focusWidget();
    return watched == (focus ? focus : this);
}

void frmConfig::bindGrid(store::Recordset* recordset)
{
    gridModel_->setRecordset(recordset);
}

void frmConfig::showCurrentRowInGrid()
{
    const bool wasFollowing = std::exchange(followingRecordset_, true);
    const int row = adoPrimaryRS && gridModel_->recordset() ? adoPrimaryRS->currentRow() : -1;
    QItemSelectionModel* selection = grdDataGrid->selectionModel();
    if (row < 0 || row >= gridModel_->rowCount() || gridModel_->columnCount() == 0) {
        selection->clear();
    } else {
        const QModelIndex index = gridModel_->index(row, std::max(0, grdDataGrid->currentIndex().column()));
        selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        grdDataGrid->scrollTo(index);
    }
    followingRecordset_ = wasFollowing;
}

}  // namespace keysound::editor
