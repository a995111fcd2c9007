// The main view: title, captions, the four actions, the results table and the totals line.
#pragma once

#include "analysis/intake/Batch.h"
#include "analysis/intake/FileInfo.h"
#include "analysis/intake/Folders.h"
#include "report/PrintJob.h"
#include "window/ExportResults.h"
#include "window/FilePicker.h"

#include <QWidget>

#include <filesystem>
#include <iostream>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QPushButton;
class QTableView;
class QTimer;

namespace pagetally {

class DeleteDelegate;
class ResultsModel;

class ContentView : public QWidget
{
    Q_OBJECT

public:
    // Minimum size of the view, in points.
    static constexpr QSize minimumContentSize{1000, 600};
    // Width of the slot each action button sits in.
    static constexpr int buttonSlotWidth = 100;

    // The only error line of this view ("Error selecting files: ...") goes to `diagnostics`.
    explicit ContentView(std::vector<FileInfo> files = {},
                         std::ostream& diagnostics = std::cout,
                         QWidget* parent = nullptr);
    ~ContentView() override;

    const std::vector<FileInfo>& files() const { return files_; }
    bool showingFilePicker() const { return showingFilePicker_; }

    // Whether a batch of files is being analysed; the list takes no changes meanwhile.
    bool busy() const { return batch_ != nullptr; }

    // How long closing a window or quitting waits for a cancelled batch to end.
    static constexpr int abandonWaitMs = 3000;
    // Batches of closed windows that had not ended within abandonWaitMs and still run: the
    // program then ends without running its exit code under their feet.
    static int batchesLeftRunning();

    void setFilePicker(FilePicker picker) { filePicker_ = std::move(picker); }
    // What analyses each file of a batch (tests put a slow one here).
    void setAnalyser(Analyser analyser) { analyser_ = std::move(analyser); }
    void setPrintDialog(PrintDialogStep step) { printDialog_ = std::move(step); }
    void setFolderPicker(FolderPicker picker) { folderPicker_ = std::move(picker); }
    void setExportPicker(ExportPicker picker) { exportPicker_ = std::move(picker); }

    // "Select Files" on Ctrl+O and "Print Results" on Ctrl+P, for the window's menus.
    QAction* selectFilesAction() const { return selectFilesAction_; }
    QAction* printResultsAction() const { return printResultsAction_; }
    // "Add Folder..." on Ctrl+Shift+O, "Export Results..." on Ctrl+E and Copy on Ctrl+C.
    QAction* addFolderAction() const { return addFolderAction_; }
    QAction* exportResultsAction() const { return exportResultsAction_; }
    QAction* copyAction() const { return copyAction_; }

    // Whether a folder among the locations stands for the files below it (a drop), or is taken
    // as the file it was picked as (the file dialog's choice).
    enum class Folders { AsPicked, Expanded };

    // The intake that the file picker and drops both use: the files are analysed on worker
    // threads while the window keeps working, and their records are added together when the
    // batch ends. Ignored while a batch runs.
    void addLocations(const std::vector<std::filesystem::path>& locations,
                      Folders folders = Folders::AsPicked);

public slots:
    void selectFiles();
    void addFolder();
    void exportResults();
    // The whole table with its header and totals, as text and as HTML.
    void copyResults();
    void clearFiles();
    void printResults();
    void exitApp();
    void removeFile(const QString& id);
    // Ends the running batch early: the files finished so far are added, in order.
    void cancelBatch();

signals:
    // Once, when the view is first shown.
    void appeared();
    // A batch has ended and its records are in the list.
    void batchFinished();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    // The table's keys for removing its current row.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildLayout();
    void connectActions();
    // Rebuilds the rows, the delete controls and the totals from `files_`.
    void refresh();
    // The line under the totals: how many files could not be read or have a note, and which files
    // the last batch skipped for their name.
    void showNotes();
    void handleFileImport(const QList<QUrl>& urls);
    // Table and totals line as wide as the columns, and the scroll bar when there is one.
    void fitTableWidth();
    // The accent of "Select Files" and the red of the delete glyphs, from the current palette.
    void applyPalette();
    // Enables the actions that change or use the list as far as the list and the batch allow.
    void updateActionStates();
    void showProgress();
    void finishBatch();
    // Cancels the running batch and waits for it, dropping its records: the window is going.
    // A batch that does not end within abandonWaitMs (stuck in the system) is left to end on
    // its own, or with the process, rather than freeze the program.
    void abandonBatch();

    struct RunningBatch;

    std::vector<FileInfo> files_;
    bool showingFilePicker_ = false;
    std::ostream& diagnostics_;
    FilePicker filePicker_ = showFileDialog;
    PrintDialogStep printDialog_ = showPrintDialog;
    Analyser analyser_ = analyseWithIntake;
    // Shared with the batch's thread, which may outlive the window (abandonBatch).
    std::shared_ptr<RunningBatch> batch_;
    // Left out of the last batch because a file of that name was already listed.
    std::vector<BatchItem> skipped_;
    // The folders of the last batch that could not be read in full.
    std::vector<FolderProblem> folderProblems_;
    FolderPicker folderPicker_ = showFolderDialog;
    ExportPicker exportPicker_ = showExportDialog;
    bool appeared_ = false;

    ResultsModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    DeleteDelegate* deleteDelegate_ = nullptr;
    QPushButton* selectButton_ = nullptr;
    QPushButton* clearButton_ = nullptr;
    QPushButton* printButton_ = nullptr;
    QPushButton* exitButton_ = nullptr;
    QWidget* totals_ = nullptr;
    QAction* selectFilesAction_ = nullptr;
    QAction* printResultsAction_ = nullptr;
    QAction* addFolderAction_ = nullptr;
    QAction* exportResultsAction_ = nullptr;
    QAction* copyAction_ = nullptr;
    QLabel* durationTotal_ = nullptr;
    QLabel* pagesTotal_ = nullptr;
    QLabel* wordsTotal_ = nullptr;
    QLabel* notesSummary_ = nullptr;
    QWidget* progressPanel_ = nullptr;
    QLabel* progressCount_ = nullptr;
    QLabel* progressFile_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QTimer* progressTimer_ = nullptr;
};

} // namespace pagetally
