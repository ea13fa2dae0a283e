#pragma once
// Names for the ids of Brenlow's controls and menu commands. Every control
// carries its id as its objectName ("1054") and every menu command is a QAction
// named by its id ("40012"): the language files, the layouts and the tests find
// them by that text, so the numbers themselves never change. An id is unique
// within its dialog only, hence one namespace per dialog.

namespace brenlow {

/// Menu commands of the main window.
namespace command_ids {
inline constexpr int Quit = 40001;
inline constexpr int Configuration = 40002;
inline constexpr int SelectAll = 40008;
inline constexpr int UnselectAll = 40009;
inline constexpr int TagEditor = 40011;
inline constexpr int ReadTableOfContents = 40012;
inline constexpr int CddbLookup = 40013;
inline constexpr int RipCompressed = 40014;
inline constexpr int RipWav = 40015;
inline constexpr int ClearView = 40016;
inline constexpr int About = 40017;
inline constexpr int EditTrackTitle = 40019; ///< track list context menu
inline constexpr int ListenToTrack = 40021;  ///< track list context menu
inline constexpr int AspiInformation = 40024;
inline constexpr int Homepage = 40025;
inline constexpr int EncoderSettings = 40028;
inline constexpr int DiscImage = 40031;
inline constexpr int ImageBurner = 40032;
inline constexpr int CompressToMp3 = 40033;
inline constexpr int CompressToOgg = 40034;
inline constexpr int EraseDisc = 40035;
inline constexpr int Language = 40036;
} // namespace command_ids

/// Controls of the main window.
namespace main_ids {
inline constexpr int ReadTableOfContents = 1500;
inline constexpr int CddbLookup = 1501;
inline constexpr int RipCompressed = 1502;
inline constexpr int RipWav = 1023;
inline constexpr int StopRip = 1005;
inline constexpr int Eject = 1039;
inline constexpr int Configuration = 1040;
inline constexpr int EncoderSettings = 1041;
inline constexpr int OutputFolder = 1047;
inline constexpr int SelectAll = 1043;
inline constexpr int UnselectAll = 1042;
inline constexpr int ClearView = 1045;
inline constexpr int PreviousTrack = 1051;
inline constexpr int Play = 1044;
inline constexpr int PauseResume = 1049;
inline constexpr int StopPlaying = 1048;
inline constexpr int NextTrack = 1050;

inline constexpr int DriveCaption = 1129;
inline constexpr int ArtistCaption = 1130;
inline constexpr int AlbumCaption = 1131;
inline constexpr int GenreCaption = 1132;
inline constexpr int YearCaption = 1133;

inline constexpr int DriveList = 1054;
inline constexpr int Artist = 1016;
inline constexpr int Album = 1017;
inline constexpr int Genre = 1021;
inline constexpr int Year = 1022;
inline constexpr int PlayerPosition = 1090;
inline constexpr int BannerLink = 1071;
inline constexpr int PlayerClock = 1100; ///< the player's timer
} // namespace main_ids

/// Controls of the configuration dialog.
namespace config_ids {
inline constexpr int Ok = 1;
inline constexpr int Close = 2;
inline constexpr int OutputGroup = 1134;
inline constexpr int OutputCaption = 1135;
inline constexpr int OutputFolder = 1026;
inline constexpr int BrowseOutputFolder = 1027;
inline constexpr int CddbGroup = 1136;
inline constexpr int CddbAutoLookup = 1037;
inline constexpr int CddbServer = 1034;
inline constexpr int CddbQuery = 1029;
inline constexpr int CddbUser = 1030;
inline constexpr int CddbSite = 1031;
inline constexpr int CddbClientName = 1032;
inline constexpr int CddbClientVersion = 1033;
inline constexpr int FirstCddbCaption = 1137; ///< six captions, 1137 to 1142, one per CDDB field
inline constexpr int FileNameGroup = 1143;
inline constexpr int FileNamePattern = 1049;
inline constexpr int SaveInArtistAlbum = 1074;
inline constexpr int PatternTrackNumber = 1075; ///< %N
inline constexpr int PatternTitle = 1076;       ///< %T
inline constexpr int PatternAlbum = 1077;       ///< %A
inline constexpr int PatternArtist = 1078;      ///< %C
inline constexpr int PatternYear = 1079;        ///< %Y
inline constexpr int PatternSeparator = 1080;   ///< " - "
inline constexpr int ClearPattern = 1081;
inline constexpr int FirstPatternHelp = 1144; ///< five help lines, 1144 to 1148
inline constexpr int RestoreDefaults = 1035;
} // namespace config_ids

/// Controls of the image burner.
namespace burn_ids {
inline constexpr int CueSheetCaption = 1134;
inline constexpr int CueSheetPath = 1113;
inline constexpr int BrowseCueSheet = 1077;
inline constexpr int ReadCueSheet = 1076;
inline constexpr int BurnerCaption = 1135;
inline constexpr int Burner = 1105;
inline constexpr int SpeedCaption = 1137;
inline constexpr int Speed = 1103;
inline constexpr int BurnProof = 1037;
inline constexpr int TestWrite = 1038;
inline constexpr int DiscTypeCaption = 1136;
inline constexpr int MarkCd = 1106;
inline constexpr int MarkCdR = 1107;
inline constexpr int MarkCdRw = 1108;
inline constexpr int MarkDvd = 1109;
inline constexpr int WritableCaption = 1140;
inline constexpr int WritableMark = 1110;
inline constexpr int Log = 1104;
inline constexpr int Status = 1114;
inline constexpr int ProgressCaption = 1138;
inline constexpr int ProgressBar = 1000;
inline constexpr int Percent = 1111;
inline constexpr int ElapsedCaption = 1139;
inline constexpr int Elapsed = 1118;
inline constexpr int LeftDecoration = 1116;
inline constexpr int RightDecoration = 1117;
inline constexpr int Burn = 1112;
inline constexpr int Cancel = 1115;
inline constexpr int Close = 1075;
} // namespace burn_ids

/// Controls of the encoder settings dialog.
namespace encoder_ids {
inline constexpr int Tabs = 1151;
inline constexpr int Mp3Select = 1082;
inline constexpr int OggSelect = 1083;

inline constexpr int Mp3Image = 1088;
inline constexpr int Mp3Bitrate = 1044;
inline constexpr int Mp3Channel = 1042;
inline constexpr int Mp3Preset = 1043;
inline constexpr int Mp3VbrEnabled = 1124;
inline constexpr int Mp3MaxBitrate = 1091;
inline constexpr int Mp3VbrMethod = 1092;
inline constexpr int Mp3VbrQuality = 1093;
inline constexpr int Mp3VbrHeader = 1128;
inline constexpr int Mp3Frequency = 1090;
inline constexpr int Mp3Crc = 1123;
inline constexpr int Mp3Copyright = 1125;
inline constexpr int Mp3Original = 1126;
inline constexpr int Mp3Private = 1127;

inline constexpr int OggImage = 1089;
inline constexpr int OggFrequency = 1079;
inline constexpr int OggChannel = 1080;
inline constexpr int OggNominalBitrate = 1081;
inline constexpr int OggQualityEnabled = 1087;
inline constexpr int OggQuality = 1086;
inline constexpr int OggQualityText = 1119;
inline constexpr int OggVbrEnabled = 1038; ///< minimum and maximum bitrate
inline constexpr int OggMinBitrate = 1084;
inline constexpr int OggMaxBitrate = 1085;
} // namespace encoder_ids

/// Controls of the disc eraser.
namespace erase_ids {
inline constexpr int Erase = 1;
inline constexpr int Cancel = 2;
inline constexpr int BurnerCaption = 1134;
inline constexpr int Burner = 1105;
inline constexpr int QuickErase = 1067;
inline constexpr int FullErase = 1068;
inline constexpr int Status = 1149;
} // namespace erase_ids

/// Controls of the disc-image progress window.
namespace image_progress_ids {
inline constexpr int SectorsCaption = 1136; ///< "Sectors read :", beside Sectors
inline constexpr int Sectors = 1098;
inline constexpr int FileCaption = 1135; ///< "Image file :", beside File
inline constexpr int File = 1099;
inline constexpr int PercentCaption = 1134;
inline constexpr int Percent = 1101;
inline constexpr int ProgressBar = 1000;
inline constexpr int Cancel = 2;
} // namespace image_progress_ids

/// Controls of the about box.
namespace about_ids {
inline constexpr int FirstCaption = 1134; ///< five captions, 1134 to 1138, in the order below
inline constexpr int InformationGroup = 1134;
inline constexpr int DonationGroup = 1135;
inline constexpr int DonationSentence = 1136;
inline constexpr int AmountCaption = 1137;
inline constexpr int CurrencyCaption = 1138;
inline constexpr int SiteLink = 1070;
inline constexpr int MailLink = 1069;
inline constexpr int Amount = 1091;
inline constexpr int Donate = 1092;
inline constexpr int Ok = 1065;
} // namespace about_ids

/// Controls of the MP3 tag editor.
namespace tag_editor_ids {
inline constexpr int Folders = 1047;
inline constexpr int Files = 1036;
inline constexpr int FolderPath = 1056;
inline constexpr int FileName = 1059;
inline constexpr int FilePath = 1058;
inline constexpr int Title = 1049;
inline constexpr int Artist = 1051;
inline constexpr int Album = 1052;
inline constexpr int Year = 1053;
inline constexpr int Comment = 1054;
inline constexpr int Genre = 1055;
inline constexpr int Apply = 1057;
} // namespace tag_editor_ids

/// Controls of the track-title editor.
namespace track_title_ids {
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
inline constexpr int Caption = 1134;
inline constexpr int Title = 1023;
} // namespace track_title_ids

/// Controls of the CDDB match chooser.
namespace cddb_match_ids {
inline constexpr int Heading = 1144;
inline constexpr int Hint = 1145;
inline constexpr int Matches = 1036;
} // namespace cddb_match_ids

/// Controls of the window shown when the SCSI layer is missing.
namespace aspi_missing_ids {
inline constexpr int Close = 2;
inline constexpr int DownloadLink = 1072;
inline constexpr int InstallerLink = 1073;
} // namespace aspi_missing_ids

} // namespace brenlow
