// The editor window's designed layout and its resize step, in twips.
#include "editor/frmConfig.h"

#include "platform/Twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

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

void place(QWidget* widget, const TwipsRect& r) { platform::placeInTwips(widget, r.left, r.top, r.width, r.height); }

}  // namespace

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

    const std::pair<QPushButton*, int> barLefts[] = {{cmdAdd, 59},       {cmdEdit, 1213},  {cmdDelete, 2367},
                                                     {cmdRefresh, 3521}, {cmdClose, 4675}, {cmdUpdate, 59},
                                                     {cmdCancel, 1213}};
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

void frmConfig::Form_Resize()
{
    resized_ = resizeControls(resizeMetrics(), resized_).controls;
    placeResizedControls();
}

ResizeMetrics frmConfig::resizeMetrics() const
{
    const double dpi = platform::logicalDpi(this);
    const auto twips = [dpi](int pixels) { return float(platform::pixelsToTwips(pixels, dpi)); };
    const auto frameWidth = [](const QWidget* window) { return window->frameGeometry().width() - window->width(); };
    const int ownerFrame = parentWidget() ? frameWidth(parentWidget()->window()) : 0;
    return {twips(width()),
            twips(height()),
            twips(outerWidth(width(), frameWidth(this), ownerFrame)),
            twips(grdDataGrid->y()),
            twips(picButtons->height()),
            twips(picStatBox->height())};
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

}  // namespace keysound::editor
