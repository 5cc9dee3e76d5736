// The editor window: its controls, loading, showing and unloading.
#include "editor/frmConfig.h"

#include "editor/FieldBinder.h"
#include "editor/NavigationPictures.h"
#include "editor/RecordsetTableModel.h"
#include "editor/StringBack.h"
#include "platform/AppFolder.h"
#include "platform/CommandButton.h"
#include "platform/Dialogs.h"
#include "store/Connection.h"
#include "store/ConnectionString.h"
#include "store/Recordset.h"
#include "store/Schema.h"
#include "store/Statements.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <limits>

namespace keysound::editor {

namespace {
QPushButton* barButton(QWidget* bar, const QString& caption) { return new platform::CommandButton(caption, bar); }

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

frmConfig::frmConfig(platform::Dialogs& dialogs, QWidget* parent, store::LegacyImportObserver* importObserver)
    : QDialog(parent)
    , dialogs_(dialogs)
    , importObserver_(importObserver)
{
    platform::setExactCaption(this, QStringLiteral("Config"));
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
    binders_[0] = new FieldBinder(txtFields[0], store::schema::KeyColumn, this);
    binders_[1] = new FieldBinder(txtFields[1], store::schema::FileColumn, this);

    createGrid();
    createStatusBar();
    createButtonBar();
    Command1 = new platform::CommandButton(QStringLiteral("导入文件"), this);
    nameControls();
    describeControls();
}

void frmConfig::createGrid()
{
    grdDataGrid = new QTableView(this);
    gridModel_ = new RecordsetTableModel(this);
    grdDataGrid->setModel(gridModel_);
    grdDataGrid->setFont(gridFont());
    grdDataGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdDataGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdDataGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    grdDataGrid->setWordWrap(false);
    grdDataGrid->setTabKeyNavigation(false);  // Tab goes on to the next control, not the next cell
    grdDataGrid->verticalHeader()->hide();
    // Fixed row heights keep a 100k-row table as cheap to lay out as a short one.
    grdDataGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grdDataGrid->verticalHeader()->setDefaultSectionSize(QFontMetrics(gridFont()).height() + 4);
}

// The designed names, for accessibility tools and tests.
void frmConfig::nameControls()
{
    const std::pair<QWidget*, const char*> names[] = {{lblLabels[0], "lblLabels(0)"},
                                                      {txtFields[0], "txtFields(0)"},
                                                      {lblLabels[1], "lblLabels(1)"},
                                                      {txtFields[1], "txtFields(1)"},
                                                      {grdDataGrid, "grdDataGrid"},
                                                      {picStatBox, "picStatBox"},
                                                      {cmdFirst, "cmdFirst"},
                                                      {cmdPrevious, "cmdPrevious"},
                                                      {lblStatus, "lblStatus"},
                                                      {cmdNext, "cmdNext"},
                                                      {cmdLast, "cmdLast"},
                                                      {picButtons, "picButtons"},
                                                      {cmdAdd, "cmdAdd"},
                                                      {cmdEdit, "cmdEdit"},
                                                      {cmdDelete, "cmdDelete"},
                                                      {cmdRefresh, "cmdRefresh"},
                                                      {cmdClose, "cmdClose"},
                                                      {cmdUpdate, "cmdUpdate"},
                                                      {cmdCancel, "cmdCancel"},
                                                      {Command1, "Command1"}};
    for (const auto& [widget, name] : names)
        widget->setObjectName(QLatin1String(name));
    setObjectName(QStringLiteral("frmConfig"));
}

// What screen readers say for the controls that show no caption of their own.
void frmConfig::describeControls()
{
    txtFields[0]->setAccessibleName(QStringLiteral("键位"));
    txtFields[1]->setAccessibleName(QStringLiteral("文件名"));
    grdDataGrid->setAccessibleName(QStringLiteral("映射表"));
    const std::pair<QPushButton*, const char*> navigation[] = {
        {cmdFirst, "第一条"}, {cmdPrevious, "上一条"}, {cmdNext, "下一条"}, {cmdLast, "最后一条"}};
    for (const auto& [button, name] : navigation) {
        button->setAccessibleName(QString::fromUtf8(name));
        button->setToolTip(QString::fromUtf8(name));
    }
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
        {cmdAdd, &frmConfig::cmdAdd_Click},           {cmdEdit, &frmConfig::cmdEdit_Click},
        {cmdDelete, &frmConfig::cmdDelete_Click},     {cmdRefresh, &frmConfig::cmdRefresh_Click},
        {cmdClose, &frmConfig::cmdClose_Click},       {cmdUpdate, &frmConfig::cmdUpdate_Click},
        {cmdCancel, &frmConfig::cmdCancel_Click},     {cmdFirst, &frmConfig::cmdFirst_Click},
        {cmdPrevious, &frmConfig::cmdPrevious_Click}, {cmdNext, &frmConfig::cmdNext_Click},
        {cmdLast, &frmConfig::cmdLast_Click},         {Command1, &frmConfig::Command1_Click},
    };
    for (const auto& [button, handler] : clicks)
        connect(button, &QPushButton::clicked, this, handler);

    connect(grdDataGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { gridRowChosen(current.row()); });
}

void frmConfig::orderTabs()
{
    QWidget* const order[] = {txtFields[0], txtFields[1], grdDataGrid, cmdFirst,  cmdPrevious,
                              cmdNext,      cmdLast,      cmdAdd,      cmdEdit,   cmdDelete,
                              cmdRefresh,   cmdClose,     cmdUpdate,   cmdCancel, Command1};
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

void frmConfig::Unload() { close(); }

QString frmConfig::GetStringBack(QString St, QString sP) const { return getStringBack(St, sP); }

void frmConfig::Form_Load()
{
    auto connection = std::make_shared<store::Connection>(importObserver_);
    connection->CursorLocation = store::adUseClient;
    connection->Open(store::connectionStringFor(platform::appFolder()), QString(), QString(),
                     store::adConnectUnspecified);

    for (FieldBinder* binder : binders_)
        binder->setDataSource(nullptr);
    bindGrid(nullptr);
    adoPrimaryRS = std::make_unique<store::Recordset>();
    connect(adoPrimaryRS.get(), &store::Recordset::MoveComplete, this, &frmConfig::adoPrimaryRS_MoveComplete);
    connect(adoPrimaryRS.get(), &store::Recordset::WillChangeRecord, this, &frmConfig::adoPrimaryRS_WillChangeRecord);
    adoPrimaryRS->Open(store::editorStatement(), connection, store::adOpenStatic, store::adLockOptimistic,
                       store::adCmdUnspecified);

    for (FieldBinder* binder : binders_)
        binder->setDataSource(adoPrimaryRS.get());
    bindGrid(adoPrimaryRS.get());
    // What is typed into a table that cannot be written could never be saved.
    for (QLineEdit* box : txtFields)
        box->setReadOnly(connection->isReadOnlyTable());
}

void frmConfig::Form_Unload()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void frmConfig::cmdClose_Click() { Unload(); }

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
        // Closed by the close box while adding or editing: the pending changes go with the
        // recordset at the next load, and so does the editing state.
        editing = false;
        addingNew = false;
    }
    event->accept();  // hiding ends a modal showing
}

void frmConfig::reject() { close(); }

void frmConfig::bindGrid(store::Recordset* recordset)
{
    gridModel_->setRecordset(recordset);
    showCurrentRowInGrid();
}

}  // namespace keysound::editor
