#pragma once

#include "batch/windows/TrackPicker.h"

#include <QWizardPage>

#include <functional>
#include <optional>
#include <string>

class QLayout;
class QLineEdit;
class QPushButton;
class QTableView;

namespace quillon {

class ValueLabel;

class FileListView;
class FolderTree;
class JobTableModel;
struct QuillonApp;

// "Input & Output": the source folder and files, Encode or Decode, the job list with its
// output names and folders, and the way to the options dialog and the CD grabber.
class MLPage1 : public QWizardPage
{
    Q_OBJECT

public:
    static constexpr const char* kTitle = "Quillon 2.51 - Input & Output...,  Page 1 of 2";

    MLPage1(QuillonApp& app, TrackPicker picker, QWidget* parent = nullptr);

    // Asks for a folder with the given title; nothing when the user cancels. The folder
    // browser unless replaced (tests answer for the user).
    std::function<std::optional<std::string>(const std::string& title)> pickFolder;

    void initializePage() override;
    bool isComplete() const override;

    FolderTree* Tree() const { return tree_; }
    JobTableModel* Jobs() const { return model_; }

    // The job buttons' handlers.
    void AddFiles();
    void RemoveFile();
    void ClearList();
    void SetDefaultOutputDir();
    void SetJobOutputDir();
    void EditSelectedJobOptions();
    void SelectAudioTracks();
    // Files dropped by name (a file manager); refused ones are listed in a message box.
    void AddDroppedPaths(const std::vector<std::string>& paths);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    // The parts of the page, top to bottom; each makes its controls and returns their layout.
    QLayout* BuildSourcePart();
    QLayout* BuildJobListPart();
    QLayout* BuildJobButtons();
    void ConnectControls();
    void ChooseAction(bool encode);
    void OnMaskEdited(const QString& text);
    void OnOutputNameEdited(const QString& text);
    // After any change of the list: rows, selection, count, buttons, Next.
    void ShowJobs(bool sizeColumns);
    void SelectRow(int row);
    void ShowRefusal(const std::string& message);

    QuillonApp& app_;
    TrackPicker picker_;
    bool initialised_ = false;
    bool encoding_ = true;
    bool decoding_ = false;
    bool selecting_ = false;

    QPushButton* encode_;
    QPushButton* decode_;
    FolderTree* tree_;
    QLineEdit* mask_;
    FileListView* sources_;
    QPushButton* add_;
    QTableView* jobList_;
    JobTableModel* model_;
    ValueLabel* count_;
    ValueLabel* defaultDir_;
    QPushButton* setDefaultDir_;
    QPushButton* remove_;
    QLineEdit* outputName_;
    QPushButton* clear_;
    QPushButton* outputDir_;
    QPushButton* options_;
    QPushButton* tracks_;
};

} // namespace quillon
