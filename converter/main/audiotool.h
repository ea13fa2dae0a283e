#pragma once
// The converter's main window: the file list, the output-format choice, the
// conversion controls and the component objects that do the work. Its
// controls keep their historic names as objectName (Combo1, Command3, ...).
//
// Everything runs on the one window thread; long operations let the event
// loop run at their yield points, which is how Cancel and the list's keys
// work during a conversion.

#include "platform/audio/aac_components.h"
#include "platform/audio/audio_file_reader.h"
#include "platform/audio/audio_file_writer.h"
#include "platform/audio/audio_tag_info.h"
#include "platform/audio/mp3_lame_encoder.h"

#include <QList>
#include <QMainWindow>
#include <QString>
#include <QVariant>

#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;

namespace tavrel {

class ConversionEngine;
class Deb;
class FileListView;
class ProgressPacer;
class ProgressStrip;
class OptionSettings;
class WindowConversionView;
class WindowOptionSettings;
class WindowProgress;

/// Where the program lives: its folder (the Lang folder is beside the
/// executable) and the folder of its Config.ini.
struct ProgramPaths {
    QString programFolder;
    QString settingsFolder;
};

class Audiotool : public QMainWindow {
    Q_OBJECT

public:
    /// Builds the window with its built-in captions; nothing is read yet.
    explicit Audiotool(ProgramPaths paths, QWidget* parent = nullptr);
    ~Audiotool() override;

    // ---- Start-up and shut-down ------------------------------------------
    /// Shows the splash window and lets it paint.
    void Form_Initialize();
    /// The start-up sequence: language menu, settings, language, components,
    /// output choices. Every step falls back to its default on bad input and
    /// the later steps always run.
    void Form_Load();
    /// Saves the output choices; `cancel` is set to 1 while a conversion runs
    /// (the window stays open).
    void Form_QueryUnload(int& cancel, int unloadMode = 0);
    void Exite_Click();

    const ProgramPaths& paths() const { return paths_; }
    /// The full path of Config.ini.
    QString configFile() const;
    /// The Lang folder of the program folder.
    QString langFolder() const;
    /// What the option windows read and change of this window.
    OptionSettings& optionSettings();
    /// The splash window while the start-up runs; null otherwise.
    Deb* splash() const { return deb_.get(); }

    // ---- Language (captions) ---------------------------------------------
    void LoadLanguageMenu();
    void ApplyLanguage(const QString& path);
    void LangueName_Click(int index);

    // ---- Output format choice --------------------------------------------
    void Combo1_Click();
    void Combo2_Click();
    void Combo3_Click();
    void acceptWma_Click();
    void addfile_Click();
    void Check1_Click();

    // ---- File list -------------------------------------------------------
    void AddFileToList(const QString& path);
    void Image1_Click();
    /// Files dropped onto the list, in the order given.
    void ListView1_OLEDragDrop(const QStringList& paths);
    void Deletefromlist_Click();
    void ListView1_KeyDown(int keyCode, Qt::KeyboardModifiers shift);
    void ListView1_MouseDown(Qt::MouseButton button);
    void ListView1_MouseUp(Qt::MouseButton button, const QPoint& globalPosition);
    void UpdateFileCount();
    void Image5_Click();
    void Command1_Click();
    void TagEditor_Click();
    void trackcolor_Click();
    /// Called after entries were added: places the row progress bars.
    void AfterListChange();

    // ---- Help menu -------------------------------------------------------
    void About_Click();
    void Aide_Click();
    void FAQ_Click();
    void Homepage_Click();
    void Helpus_Click();

    // ---- Conversion (settings loaders, pump, run, progress) ---------------
    void LoadSettings();
    void LoadAacSettings();
    void LoadWavSettings();
    void LoadOggSettings();
    void LoadApeSettings();
    void Command2_Click();
    /// The conversion run (its settings, whether it is under way).
    const ConversionEngine& engine() const { return *engine_; }
    void Command3_Click();
    void ConvertNow_Click();
    void ConvertItem(int position);
    void Command4_Click();
    void Command5_Click();

    // ---- Members shared with the conversion and the option windows --------
    quint32 TrackColor = 16576; ///< blue-green-red byte order
    QString AddFileFolder;
    int LastMouseButton = 0;

    quandor::audio::AudioFileWriter FileWenc;
    quandor::audio::AudioFileReader FileRenc;
    quandor::audio::MP3LameEncoder MP3LameEncoder;
    quandor::audio::AudioTagInfo TagInformation;
    quandor::audio::AacDecoder AACdecoder1;
    quandor::audio::M4aDecoder m4aDecoder;
    quandor::audio::AacEncoder AACencoder;

    // ---- Controls ----------------------------------------------------------
    QMenu* Fichier = nullptr;
    QAction* addfile = nullptr;
    QAction* Exite = nullptr;
    QMenu* Options = nullptr;
    QMenu* Languer = nullptr;
    QList<QAction*> LangueName;
    QAction* TagEditor = nullptr;
    QAction* acceptWma = nullptr;
    QAction* trackcolor = nullptr;
    QAction* Helpus = nullptr;
    QMenu* Informations = nullptr;
    QAction* Aide = nullptr;
    QAction* FAQ = nullptr;
    QAction* Homepage = nullptr;
    QAction* About = nullptr;
    QMenu* Popup = nullptr;
    QAction* ConvertNow = nullptr;
    QAction* Deletefromlist = nullptr;

    QToolButton* Image1 = nullptr; ///< add files
    QToolButton* Image5 = nullptr; ///< delete all entries
    QLabel* Label8 = nullptr;
    QLabel* Label10 = nullptr;
    FileListView* ListView1 = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* Command1 = nullptr;
    QCheckBox* Check1 = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* Combo1 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Text2 = nullptr;
    QPushButton* Command2 = nullptr;
    QComboBox* Combo2 = nullptr;
    QComboBox* Combo3 = nullptr;
    QLabel* Label12 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QFrame* Picture1 = nullptr;
    ProgressStrip* Image4 = nullptr;
    QLabel* Label6 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command5 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The steps of Form_Load.
    void loadTrackColor(const QString& ini);
    void showSetupPageOnce(const QString& ini);
    void loadLanguage(const QString& ini);
    bool loadWmaSupport(const QString& ini);
    void fillWmaProfiles();
    void loadOutputFolder(const QString& ini);
    void fillOutputFormats(bool wmaOn);

    void buildMenus();
    void buildControls();
    void buildFileListControls(QWidget* central);
    void buildOutputControls(QWidget* central);
    void buildFormatSummary(QWidget* central);
    void buildProgressControls(QWidget* central);
    void buildCommandButtons(QWidget* central);
    void connectControls();
    void wireConversion();
    void applyBuiltInCaptions();
    void showParameterShape(const QString& format);
    void restoreWmaProfile();
    void restoreOutputFormat(bool wmaSupport);
    void removeSelectedEntries();
    void renumberEntries();
    void appendEntry(const QString& path, const QString& name, const QString& duration);
    bool probeAndAppend(const QString& path);
    void unloadSplash();

    ProgramPaths paths_;
    std::unique_ptr<Deb> deb_;
    // Probing a file for the list has its own reader and decoders, so it never
    // disturbs the ones a conversion is using.
    quandor::audio::AudioFileReader probeReader_;
    quandor::audio::AacDecoder probeAacDecoder_;
    quandor::audio::M4aDecoder probeM4aDecoder_;
    std::unique_ptr<WindowProgress> windowProgress_;
    std::unique_ptr<ProgressPacer> progressPacer_;
    std::unique_ptr<WindowOptionSettings> optionSettings_;
    std::unique_ptr<WindowConversionView> conversionView_;
    std::unique_ptr<ConversionEngine> engine_;
};

} // namespace tavrel
