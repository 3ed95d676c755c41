#pragma once

#include "cd/AudioGrab.h"
#include "cd/GrabberSession.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;

namespace quillon {

class BackgroundCall;
class ValueLabel;

class FlatButton;
class GrabberTrackModel;
struct QuillonApp;

// "Quillon - CD-Audio Grabber Options...": the drives, the tracks of the loaded disc,
// their names and tag texts, "&Lookup" in MusicBrainz (also by itself for a disc with no
// stored text), "&Grab Now!" to WAV files and O&K to CD jobs. The rules live in
// GrabberSession; this class shows its state and passes the user's actions in.
class GrabberDialog : public QDialog
{
    Q_OBJECT

public:
    GrabberDialog(QuillonApp& app, QWidget* parent = nullptr);
    ~GrabberDialog() override;

    // Detects the drives and loads the disc of the default drive; false when the dialog
    // closed itself (no drive, or the user declined a drive without raw audio reading).
    bool Open();

    GrabberSession& Session() { return session_; }

    // Asks for the folder of "&Grab Now!" (the folder dialog unless a test sets it).
    FolderAsker askFolder;
    // Asks for the cover picture's file (the file dialog unless a test sets it).
    std::function<std::optional<std::string>()> askCover;
    // Stores all default settings (the settings file unless a test sets it).
    std::function<void()> saveDefaults;

    // Closing cancels a look-up that still runs.
    void done(int result) override;

signals:
    // A look-up (with its cover) ended: filled in, failed, or cancelled.
    void LookupFinished();

private:
    void BuildControls();
    QHBoxLayout* BuildDriveRow();
    void BuildTrackList();
    QGroupBox* BuildTotals();
    QGridLayout* BuildInfoFields();
    QHBoxLayout* BuildButtons();
    void SetTabOrder();
    void ConnectControls();
    // Loads the disc of a drive entry; false when the user chose to close the dialog.
    bool LoadDisc(int index);
    void OnDriveChanged(int index);
    void OnSetDefaultCd();
    void OnSelectAll();
    void OnAssign();
    void OnFieldChanged();
    void OnHover();
    void OnGrabNow();
    // The read offset field of the current drive's model: shown from the settings, or
    // taken into them (saved when it changed); false after telling why it is no correction.
    void ShowReadOffset();
    bool TakeReadOffset(std::optional<int>& correction);
    void OnCover();
    void OnLookup();
    // `asked`: the user pressed "&Lookup"; a look-up of its own tells failures only in
    // the status line.
    void StartLookup(bool asked);
    void OnLookupAnswer(const LookupRequest& request, LookupResult found, bool asked);
    void EndLookup(const QString& status);
    void CancelLookup();
    // The session's cover, small, its accessible name saying where it came from.
    void ShowCover(const QString& name);
    void OnOk();
    bool eventFilter(QObject* watched, QEvent* event) override;

    void TakeFields();
    void ShowFields();
    void ShowTotals();
    void StopMessage(const QString& text);

    QuillonApp& app_;
    GrabberSession session_;
    GrabberTrackModel* model_;

    QComboBox* drives_;
    FlatButton* refresh_;
    FlatButton* setDefault_;
    QLineEdit* readOffset_; // the drive model's read offset correction, in samples
    ValueLabel* discSize_;
    QTableView* tracks_;
    ValueLabel* totalSize_;
    ValueLabel* totalTime_;
    ValueLabel* totalTracks_;
    QLineEdit* artist_;
    QLineEdit* album_;
    QComboBox* genres_;
    QLineEdit* year_;
    QLineEdit* comment_;
    QPushButton* assign_;
    FlatButton* selectAll_;
    QPushButton* lookup_;
    ValueLabel* lookupStatus_;
    BackgroundCall* lookupCall_;
    QPushButton* cover_;
    QLabel* coverPicture_;
    QCheckBox* secure_;
    FlatButton* grabNow_;
    FlatButton* ok_;
    FlatButton* cancel_;
    QTimer* hover_;
};

// Runs the grabber modally over `parent`; on O&K the CD jobs have been appended to
// app.jobs and true is returned. Fits the input page's TrackPicker.
bool OpenGrabberDialog(QWidget* parent, QuillonApp& app);

} // namespace quillon
