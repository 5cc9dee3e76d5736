#pragma once

#include "editor/FormResize.h"
#include "editor/SoundImport.h"

#include <QDialog>
#include <QVariant>
#include <array>
#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace keysound::store {
class LegacyImportObserver;
class Recordset;
}  // namespace keysound::store

namespace keysound::platform {
class Dialogs;
}

namespace keysound::editor {

class FieldBinder;
class RecordsetTableModel;

// The mapping editor: the whole Config table in a grid and the current mapping in two bound
// text boxes, with record commands, navigation and the import of a sound file.
//
// One object serves the whole run. Show() loads the window (a fresh connection and recordset)
// and shows it; closing unloads the window but keeps the object, its editing state and the
// recordset, and the next Show() loads it again.
class frmConfig : public QDialog {
    Q_OBJECT
public:
    // Message boxes, beeps and the file-open dialog go through dialogs, which outlives the window.
    explicit frmConfig(platform::Dialogs& dialogs, QWidget* parent = nullptr,
                       store::LegacyImportObserver* importObserver = nullptr);
    ~frmConfig() override;

    // Loads the window unless it is loaded, then shows it; with modal 1 it returns only after the
    // window has been unloaded. A failing load throws keysound::Error and shows nothing.
    void Show(int modal = 0);
    void Unload();
    bool isLoaded() const { return loaded_; }

    QString GetStringBack(QString St, QString sP) const;

signals:
    // After an update, delete, refresh or sound import: the table or its sounds may have changed.
    void soundsMayHaveChanged();

public:

    // Event handlers, public so that tests can drive them as the toolkit does.
    void Form_Load();
    void Form_Resize();
    void Form_Unload();
    void Form_KeyDown(int KeyCode, int Shift);
    void cmdClose_Click();
    void cmdAdd_Click();
    void cmdEdit_Click();
    void cmdUpdate_Click();
    void cmdCancel_Click();
    void cmdDelete_Click();
    void cmdRefresh_Click();
    void cmdFirst_Click();
    void cmdPrevious_Click();
    void cmdNext_Click();
    void cmdLast_Click();
    void Command1_Click();
    void adoPrimaryRS_MoveComplete(int adReason, int adStatus, store::Recordset* pRecordset);
    void adoPrimaryRS_WillChangeRecord(int adReason, int cRecords, int adStatus, store::Recordset* pRecordset);

    // Editing state; loading and unloading the window leave it as it is.
    bool editing = false;
    bool addingNew = false;
    QVariant savedBookmark;

    std::unique_ptr<store::Recordset> adoPrimaryRS;

    std::array<QLabel*, 2> lblLabels{};
    std::array<QLineEdit*, 2> txtFields{};
    QTableView* grdDataGrid = nullptr;
    QWidget* picStatBox = nullptr;
    QPushButton* cmdFirst = nullptr;
    QPushButton* cmdPrevious = nullptr;
    QPushButton* cmdNext = nullptr;
    QPushButton* cmdLast = nullptr;
    QLabel* lblStatus = nullptr;
    QWidget* picButtons = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdEdit = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdRefresh = nullptr;
    QPushButton* cmdClose = nullptr;
    QPushButton* cmdUpdate = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* Command1 = nullptr;
    OpenFileDialog cdl;

    // The sizes and places the resize step manages, in twips.
    const ResizedControls& resizedControls() const { return resized_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

public slots:
    void reject() override;

private:
    void createControls();
    void nameControls();
    void createGrid();
    void createButtonBar();
    void createStatusBar();
    void connectHandlers();
    void orderTabs();
    void installKeyPreview();
    void applyDesign();
    void placeResizedControls();
    void dockBars();
    ResizeMetrics resizeMetrics() const;
    bool isKeyPreviewTarget(const QObject* watched) const;

    void SetButtonState(bool bVal);
    void bindGrid(store::Recordset* recordset);
    void showCurrentRowInGrid();
    void gridRowChosen(int row);
    void runCommand(const std::function<void()>& steps);
    void requireWritableTable() const;
    bool isEditingRecord() const { return editing || addingNew; }
    bool previewKey(QObject* watched, const QKeyEvent& key);
    void describeControls();

    RecordsetTableModel* gridModel_ = nullptr;
    std::array<FieldBinder*, 2> binders_{};
    ResizedControls resized_;
    bool loaded_ = false;
    platform::Dialogs& dialogs_;
    store::LegacyImportObserver* importObserver_;
};

}  // namespace keysound::editor
