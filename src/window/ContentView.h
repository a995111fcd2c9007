// The main view: title, captions, the actions, the progress of a batch, the results table, the
// totals line and the notes under it, composed over the list of analysed files.
#pragma once

#include "analysis/intake/Batch.h"
#include "analysis/intake/FileInfo.h"
#include "analysis/intake/Folders.h"
#include "report/PrintJob.h"
#include "window/BackgroundBatch.h"
#include "window/ExportResults.h"
#include "window/FilePicker.h"

#include <QWidget>

#include <filesystem>
#include <iostream>
#include <vector>

class QAction;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace pagetally {

class ProgressPanel;
class ResultsTable;
class TotalsLine;

class ContentView final : public QWidget
{
    Q_OBJECT

public:
    // Minimum size of the view, in points.
    static constexpr QSize minimumContentSize{1000, 600};
    // Width of the slot each action button sits in.
    static constexpr int buttonSlotWidth = 100;

    // The only error line of this view ("Error selecting files: ...") goes to `diagnostics`, and
    // so do the analysers' error lines.
    explicit ContentView(std::vector<FileInfo> files = {},
                         std::ostream& diagnostics = std::cout,
                         QWidget* parent = nullptr);

    const std::vector<FileInfo>& files() const { return files_; }
    bool showingFilePicker() const { return showingFilePicker_; }

    // Whether a batch of files is being analysed; the list takes no changes meanwhile.
    bool busy() const { return batch_.running(); }

    // Batches of closed windows that had not ended within BackgroundBatch::abandonWaitMs and
    // still run: the program then ends without running its exit code under their feet.
    static int batchesLeftRunning() { return BackgroundBatch::leftRunning(); }

    void setFilePicker(FilePicker picker) { filePicker_ = std::move(picker); }
    // What analyses each file of a batch (tests put a slow one here).
    void setAnalyser(Analyser analyser) { batch_.setAnalyser(std::move(analyser)); }
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

    using Folders = BackgroundBatch::Folders;

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
    // The print job over the list, with the print dialog first.
    void printList();
    void exitApp();
    // Removes the record with this id from the list, if it is there.
    void removeRecord(const QString& id);
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
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildLayout();
    void addHeader(QVBoxLayout* stack);
    void addButtonRow(QVBoxLayout* stack);
    void addResults(QVBoxLayout* stack);
    void createActions();
    void connectActions();
    // Rebuilds the rows, the totals and the notes from `files_`.
    void refresh();
    void showNotes();
    // Enables the actions that change or use the list as far as the list and the batch allow.
    void updateActionStates();
    void finishBatch(const BatchOutcome& outcome);
    // The file panel's choice: all of it, or nothing when a location is not a local file.
    void handleFileImport(const QList<QUrl>& urls);
    void reportNotLocal(const QUrl& url);

    std::vector<FileInfo> files_;
    bool showingFilePicker_ = false;
    std::ostream& diagnostics_;
    FilePicker filePicker_ = showFileDialog;
    PrintDialogStep printDialog_ = showPrintDialog;
    FolderPicker folderPicker_ = showFolderDialog;
    ExportPicker exportPicker_ = showExportDialog;
    bool appeared_ = false;
    // Ends (or is left running) before the widgets go, being a member.
    BackgroundBatch batch_;
    // Left out of the last batch because a file of that name was already listed.
    std::vector<BatchItem> skipped_;
    // The folders of the last batch that could not be read in full.
    std::vector<FolderProblem> folderProblems_;

    QPushButton* selectButton_ = nullptr;
    QPushButton* clearButton_ = nullptr;
    QPushButton* printButton_ = nullptr;
    QPushButton* exitButton_ = nullptr;
    ProgressPanel* progress_ = nullptr;
    ResultsTable* table_ = nullptr;
    TotalsLine* totals_ = nullptr;
    QLabel* notesSummary_ = nullptr;
    QAction* selectFilesAction_ = nullptr;
    QAction* printResultsAction_ = nullptr;
    QAction* addFolderAction_ = nullptr;
    QAction* exportResultsAction_ = nullptr;
    QAction* copyAction_ = nullptr;
};

} // namespace pagetally
