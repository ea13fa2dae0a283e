// The CDDB feature of the main dialog over an emulated drive and a CDDB server
// on 127.0.0.1: the lookup command, the wait and match dialogs, cancel, the
// cache after a table-of-contents read and the user entry.
#include "drive_fixture.h"

#include "cdrip/ui/cddb_lookup_controller.h"
#include "cdrip/ui/drive_controller.h"
#include "platform/profile/profile_file.h"
#include "tests/support/canned_http_server.h"
#include "tests/support/tools.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <functional>

namespace brenlow::test {
namespace {

using quandor::test::CannedHttpServer;
using quandor::test::CannedReply;

// Two tracks at 00:02:00 and 03:30:45, lead-out 07:10:20: disc id 0501ac02.
const QString kQueryKey = QStringLiteral("cddb query 0501ac02 2 150 15795 430 ");
const QString kHello = QStringLiteral("&hello=brenlow+quandor.example.org+Brenlow+1.4&proto=5");
const QByteArray kReadReply = "210 rock 0501ac02 CD database entry follows (until terminating `.')\r\n"
                              "# xmcd\r\nDISCID=0501ac02\r\nDTITLE=Some Artist / Some Album\r\nDYEAR=1999\r\n"
                              "DGENRE=Rock\r\nTTITLE0=Intro: Part 1/2\r\nTTITLE1=A=B\r\n.\r\n";

class CddbLookupDialogTest : public DriveTest {
protected:
    void SetUp() override
    {
        DriveTest::SetUp();
        markStartedBefore();
        const QString cue = writeAudioDisc(QStringLiteral("example"), {15645, 16475});
        loadDrives(QStringLiteral("[layer]\nAdapters=2\n[drive 1:0:0]\nType=5\nVendor=QUANDOR\nProduct=EMULATED CD-RW\n"
                                  "Revision=1.00\nMedium=audio\nCue=%1\n")
                       .arg(cue));
    }

    /// Starts the server and points Ripper.ini at it.
    void serve(CannedHttpServer::Handler handler)
    {
        server_ = std::make_unique<CannedHttpServer>(std::move(handler));
        setIni(QStringLiteral("Serveur"), server_->baseUrl());
    }
    void serve(CannedReply query, CannedReply read = {200, kReadReply})
    {
        serve([query, read](const QString& target) {
            return target.contains(QStringLiteral("cmd=cddb+read")) ? read : query;
        });
    }
    void setIni(const QString& key, const QString& value)
    {
        ASSERT_TRUE(quandor::profile::writeString(ripperIni(), QStringLiteral("CDDB"), key, value));
    }
    QString iniValue(const QString& key)
    {
        return quandor::profile::readString(ripperIni(), QStringLiteral("CDDB"), key, QStringLiteral("023Error"));
    }

    /// Opens the dialog, then runs the wait dialog for real and answers the
    /// match dialog with `choose` (Rejected when not set).
    void open()
    {
        openDialog();
        dialog_->setModalRunner([this](QDialog& dialog) {
            modalDialogs_.append(dialog.objectName());
            if (dialog.objectName() == QStringLiteral("194"))
                return dialog.exec();
            if (dialog.objectName() == QStringLiteral("119") && choose_)
                return choose_(dialog);
            return int(QDialog::Rejected);
        });
    }

    QString indexValue() const
    {
        return quandor::profile::readString(QDir(startFolder()).filePath(QStringLiteral("CDDB/CDDB.ini")),
                                            QStringLiteral("CDDBID"), kQueryKey, QStringLiteral("023Error"));
    }
    QString cacheFile(const QString& relative) const { return QDir(startFolder()).filePath(relative); }
    QStringList titles() const
    {
        QStringList texts;
        for (const Track& track : driveController(*dialog_)->tracks().tracks())
            texts.append(track.title);
        return texts;
    }
    /// Nothing stored, nothing shown: the fields keep what the disc read gave them.
    void expectNothingTaken(const char* why)
    {
        EXPECT_EQ(indexValue(), QStringLiteral("023Error")) << why;
        EXPECT_TRUE(QDir(cacheFile(QStringLiteral("CDDB/rock"))).entryList(QDir::Files).isEmpty()) << why;
        EXPECT_EQ(dialog_->artistField()->text(), dialog_->text(43)) << why;
        EXPECT_EQ(titles(), originalTitles_) << why;
    }

    std::unique_ptr<CannedHttpServer> server_;
    std::function<int(QDialog&)> choose_;
    QStringList originalTitles_;
};

TEST_F(CddbLookupDialogTest, ExampleDiscIsFilledFromTheServerAndCached)
{
    serve({200, "200 rock 0501ac02 Some Artist / Some Album\r\n"});
    open();
    EXPECT_EQ(iniValue(QStringLiteral("Auto")), QStringLiteral("false")); // written at start-up
    EXPECT_TRUE(server_->requests().isEmpty());                           // automatic lookup is off
    EXPECT_EQ(cddbLookup(*dialog_)->query().command, kQueryKey);

    click(1501);

    EXPECT_EQ(server_->requests(),
              (QStringList{QStringLiteral("/~cddb/cddb.cgi?cmd=cddb+query+0501ac02+2+150+15795+430+") + kHello,
                           QStringLiteral("/~cddb/cddb.cgi?cmd=cddb+read+rock+0501ac02+") + kHello}));
    EXPECT_EQ(quandor::test::readAll(cacheFile(QStringLiteral("CDDB/rock/0501ac02.txt"))), kReadReply);
    EXPECT_EQ(indexValue(), QStringLiteral("\\CDDB\\rock\\0501ac02.txt"));
    EXPECT_EQ(dialog_->artistField()->text(), QStringLiteral("Some Artist"));
    EXPECT_EQ(dialog_->albumField()->text(), QStringLiteral("Some Album"));
    EXPECT_EQ(dialog_->yearField()->text(), QStringLiteral("1999"));
    EXPECT_EQ(dialog_->genreCombo()->currentText().toLower(), QStringLiteral("rock"));
    EXPECT_EQ(titles(), (QStringList{QStringLiteral("Intro_ Part 1_2"), QStringLiteral("A=B")}));
    EXPECT_EQ(modalDialogs_, QStringList{QStringLiteral("194")});
    EXPECT_FALSE(dialog_->jobRunning());
    EXPECT_TRUE(dialog_->button(1501)->isEnabled());
}

TEST_F(CddbLookupDialogTest, MatchDialogListsEveryMatchAndReadsTheChosenOne)
{
    struct Case {
        const char* name;
        int selectRow; // -1: nothing selected
        int answer;
        const char* readCommand; // nullptr: no read sent
        const char* cached;      // where the entry is cached
    } cases[] = {
        {"nothing selected reads match 1", -1, QDialog::Accepted, "cmd=cddb+read+rock+0501ac02+",
         "\\CDDB\\rock\\0501ac02.txt"},
        {"third row", 2, QDialog::Accepted, "cmd=cddb+read+misc+0501ac04+", "\\CDDB\\misc\\0501ac04.txt"},
        {"cancelled", 1, QDialog::Rejected, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        serve({200,
               "211 close matches found\r\nrock 0501ac02 A / B\r\njazz 0501ac03 C / D\r\n"
               "misc 0501ac04 E / F\r\n.\r\n"},
              {200,
               QByteArray(kReadReply)
                   .replace("210 rock 0501ac02", c.selectRow == 2 ? "210 misc 0501ac04" : "210 rock 0501ac02")});
        QStringList lines;
        choose_ = [&](QDialog& dialog) {
            auto* list = dialog.findChild<QListWidget*>(QStringLiteral("1036"));
            for (int i = 0; list && i < list->count(); ++i)
                lines.append(list->item(i)->text());
            if (c.selectRow >= 0)
                list->item(c.selectRow)->setSelected(true);
            EXPECT_EQ(dialog.findChild<QPushButton*>(QStringLiteral("1"))->text(), dialog_->text(63));
            EXPECT_EQ(dialog.findChild<QPushButton*>(QStringLiteral("2"))->text(), dialog_->text(51));
            EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("1144"))->text(), dialog_->text(99));
            EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("1145"))->text(), dialog_->text(100));
            return c.answer;
        };
        open();
        originalTitles_ = titles();
        click(1501);

        EXPECT_EQ(
            lines,
            (QStringList{QStringLiteral("rock: A / B"), QStringLiteral("jazz: C / D"), QStringLiteral("misc: E / F")}))
            << c.name;
        ASSERT_EQ(server_->requests().size(), c.readCommand ? 2 : 1) << c.name;
        if (c.readCommand) {
            EXPECT_TRUE(server_->requests().back().contains(QLatin1String(c.readCommand))) << c.name;
            EXPECT_EQ(dialog_->artistField()->text(), QStringLiteral("Some Artist")) << c.name;
            EXPECT_EQ(indexValue(), QLatin1String(c.cached)) << c.name;
        } else {
            expectNothingTaken(c.name);
        }
        EXPECT_FALSE(dialog_->jobRunning()) << c.name;
        dialog_.reset();
        QDir(cacheFile(QStringLiteral("CDDB"))).removeRecursively(); // made again at start-up
    }
}

TEST_F(CddbLookupDialogTest, NoMatchAndErrorsStoreNothingAndRefusedAnswersSaySo)
{
    // What the user is told: 202 its line; an answer our checks refuse one
    // message of its own; server errors and failed downloads nothing.
    enum Message { None, NoMatch, Refused };
    struct Case {
        const char* name;
        CannedReply query;
        CannedReply read;
        Message message;
    } cases[] = {
        {"202", {200, "202 No match for disc ID 0501ac02.\r\n"}, {200, kReadReply}, NoMatch},
        {"403", {200, "403 Database entry is corrupt.\r\n"}, {200, kReadReply}, None},
        {"409", {200, "409 No handshake.\r\n"}, {200, kReadReply}, None},
        {"500", {200, "500 Command syntax error.\r\n"}, {200, kReadReply}, None},
        {"HTTP 500", {500, "200 rock 0501ac02 x\r\n"}, {200, kReadReply}, None},
        {"category climbing out", {200, "200 ../../evil 0501ac02 x\r\n"}, {200, kReadReply}, Refused},
        {"read answers 401", {200, "200 rock 0501ac02 x\r\n"}, {200, "401 rock 0501ac02 No such CD entry.\r\n"}, None},
        {"read names a hostile file",
         {200, "200 rock 0501ac02 x\r\n"},
         {200, "210 ../../evil 0501ac02 x\r\nDTITLE=Evil / Evil\r\n.\r\n"},
         Refused},
        {"read for another disc",
         {200, "200 rock 0501ac02 x\r\n"},
         {200, QByteArray(kReadReply).replace("210 rock 0501ac02", "210 rock 0501ac03")},
         Refused},
        {"a line over 4 KB",
         {200, "200 rock 0501ac02 x\r\n"},
         {200, QByteArray(kReadReply).replace("TTITLE0=Intro", "TTITLE0=" + QByteArray(5000, 't'))},
         Refused},
        {"3 KB status line",
         {200, "200 rock 0501ac02 " + QByteArray(3000, 'z') + "\r\n"},
         {200, "403 " + QByteArray(3000, 'z') + "\r\n"},
         None},
    };
    for (const Case& c : cases) {
        serve(c.query, c.read);
        open();
        originalTitles_ = titles();
        services_.messages.clear();
        click(1501);

        const QStringList shown = services_.messageTexts();
        if (c.message == None) {
            EXPECT_TRUE(shown.isEmpty()) << c.name;
        } else {
            ASSERT_EQ(shown.size(), 1) << c.name;
            if (c.message == NoMatch)
                EXPECT_EQ(shown[0], dialog_->text(64)) << c.name;
            else
                EXPECT_TRUE(shown[0].contains(QStringLiteral("answer could not be used"))) << c.name;
        }
        expectNothingTaken(c.name);
        EXPECT_FALSE(QFile::exists(cacheFile(QStringLiteral("CDDB/CDDB.ini")))) << c.name;
        EXPECT_FALSE(QFile::exists(cacheFile(QStringLiteral("evil")))) << c.name;
        EXPECT_FALSE(QFile::exists(QDir(startFolder()).filePath(QStringLiteral("../evil")))) << c.name;
        EXPECT_FALSE(dialog_->jobRunning()) << c.name;
        dialog_.reset();
    }
}

TEST_F(CddbLookupDialogTest, ReadReplyOfAnotherEntryLeavesThatEntryAlone)
{
    // Another disc's entry, cached earlier.
    const QString otherKey = QStringLiteral("cddb query 0501ac03 2 150 15795 430 ");
    const QByteArray otherEntry = QByteArray(kReadReply).replace("0501ac02", "0501ac03").replace("Some", "Other");
    const QByteArray hostile = QByteArray(kReadReply).replace("210 rock 0501ac02", "210 jazz 0501ac03");
    struct Case {
        const char* name;
        QByteArray query;
        int chooseRow; // -1: no match dialog
    } cases[] = {
        {"single match", "200 rock 0501ac02 Some Artist / Some Album\r\n", -1},
        {"chosen match", "211 close matches found\r\nrock 0501ac02 A / B\r\nmisc 0501ac04 E / F\r\n.\r\n", 1},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(QDir().mkpath(cacheFile(QStringLiteral("CDDB/jazz"))));
        ASSERT_TRUE(quandor::test::writeAll(cacheFile(QStringLiteral("CDDB/jazz/0501ac03.txt")), otherEntry));
        ASSERT_TRUE(quandor::profile::writeString(cacheFile(QStringLiteral("CDDB/CDDB.ini")), QStringLiteral("CDDBID"),
                                                  otherKey, QStringLiteral("\\CDDB\\jazz\\0501ac03.txt")));
        serve({200, c.query}, {200, hostile});
        choose_ = [&](QDialog& dialog) {
            dialog.findChild<QListWidget*>(QStringLiteral("1036"))->item(c.chooseRow)->setSelected(true);
            return int(QDialog::Accepted);
        };
        open();
        originalTitles_ = titles();
        click(1501);

        EXPECT_EQ(server_->requests().size(), 2) << c.name;
        EXPECT_EQ(quandor::test::readAll(cacheFile(QStringLiteral("CDDB/jazz/0501ac03.txt"))), otherEntry) << c.name;
        EXPECT_EQ(quandor::profile::readString(cacheFile(QStringLiteral("CDDB/CDDB.ini")), QStringLiteral("CDDBID"),
                                               otherKey),
                  QStringLiteral("\\CDDB\\jazz\\0501ac03.txt"))
            << c.name;
        expectNothingTaken(c.name);
        EXPECT_TRUE(QDir(cacheFile(QStringLiteral("CDDB/misc"))).entryList(QDir::Files).isEmpty()) << c.name;
        EXPECT_FALSE(dialog_->jobRunning()) << c.name;
        dialog_.reset();
        QDir(cacheFile(QStringLiteral("CDDB"))).removeRecursively();
    }
}

TEST_F(CddbLookupDialogTest, CancelDuringAStalledReadStoresNothing)
{
    serve([](const QString& target) {
        if (target.contains(QStringLiteral("cmd=cddb+read")))
            return CannedReply{200, kReadReply, 8000};
        return CannedReply{200, "200 rock 0501ac02 x\r\n"};
    });
    open();
    originalTitles_ = titles();
    // Cancel once the read has been sent and stalls.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (server_->requests().size() < 2)
            return;
        auto* wait = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (wait && wait->objectName() == QStringLiteral("194")) {
            QPushButton* cancel = wait->findChild<QPushButton*>(QStringLiteral("1"));
            EXPECT_EQ(cancel->text(), dialog_->text(51));
            cancel->click();
            poll.stop();
        }
    });
    poll.start(20);
    QElapsedTimer clock;
    clock.start();
    click(1501);

    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(server_->requests().size(), 2);
    expectNothingTaken("cancelled");
    spin(200); // a late report would arrive now
    expectNothingTaken("after the cancel");
    EXPECT_FALSE(dialog_->jobRunning());
}

TEST_F(CddbLookupDialogTest, AutomaticLookupAndTheCache)
{
    serve({200, "200 rock 0501ac02 x\r\n"});
    // "True" is not "true": no lookup.
    setIni(QStringLiteral("Auto"), QStringLiteral("True"));
    openDialog();
    settle();
    EXPECT_TRUE(server_->requests().isEmpty());
    EXPECT_FALSE(modalDialogs_.contains(QStringLiteral("194")));
    dialog_.reset();

    // "true" and no cache entry: the lookup starts by itself.
    setIni(QStringLiteral("Auto"), QStringLiteral("true"));
    openDialog();
    settle();
    EXPECT_TRUE(modalDialogs_.contains(QStringLiteral("194")));
    dialog_.reset();

    // A cached entry is shown without any request.
    const int sent = server_->requests().size();
    ASSERT_TRUE(QDir().mkpath(cacheFile(QStringLiteral("CDDB/jazz"))));
    ASSERT_TRUE(quandor::test::writeAll(cacheFile(QStringLiteral("CDDB/jazz/0501ac02.txt")),
                                        QByteArray(kReadReply).replace("Some Artist", "Cached")));
    ASSERT_TRUE(quandor::profile::writeString(cacheFile(QStringLiteral("CDDB/CDDB.ini")), QStringLiteral("CDDBID"),
                                              kQueryKey, QStringLiteral("\\CDDB\\jazz\\0501ac02.txt")));
    modalDialogs_.clear();
    openDialog();
    settle();
    EXPECT_EQ(server_->requests().size(), sent);
    EXPECT_TRUE(modalDialogs_.isEmpty());
    EXPECT_EQ(dialog_->artistField()->text(), QStringLiteral("Cached"));
    EXPECT_EQ(titles(), (QStringList{QStringLiteral("Intro_ Part 1_2"), QStringLiteral("A=B")}));
}

TEST_F(CddbLookupDialogTest, UserEntryRoundTrip)
{
    open();
    dialog_->artistField()->setText(QStringLiteral("AC=DC"));
    dialog_->albumField()->setText(QStringLiteral("Caf\u00e9 50%"));
    dialog_->yearField()->setText(QStringLiteral("1980"));
    dialog_->genreCombo()->setCurrentIndex(dialog_->genreCombo()->findText(QStringLiteral("Jazz")));
    drives().setTrackTitle(0, QStringLiteral("A=B"));
    drives().setTrackTitle(1, QStringLiteral("\u00c9t\u00e9"));
    dialog_->reject(); // the close box saves the disc's titles

    const QByteArray saved = quandor::test::readAll(cacheFile(QStringLiteral("CDDB/Custom/0501ac02.txt")));
    const QList<QByteArray> lines = saved.split('\n');
    ASSERT_GE(lines.size(), 10);
    EXPECT_EQ(lines[0], QByteArray("210 :::::::::::     Brenlow  ::::::::::::::::::::::::::::\r"));
    EXPECT_EQ(lines[1], QByteArray(67, '*') + '\r');
    EXPECT_EQ(lines[4], QByteArray("DTITLE=AC=DC / Caf\xe9 50%\r"));
    EXPECT_EQ(lines[6], QByteArray("DGENRE=") + dialog_->genreCombo()->currentText().toLatin1() + '\r');
    EXPECT_EQ(lines[7], QByteArray("TTITLE0=A=B\r"));
    EXPECT_EQ(indexValue(), QStringLiteral("\\CDDB\\Custom\\0501ac02.txt"));
    dialog_.reset();

    // The next read of the disc restores everything from the cache.
    openDialog();
    settle();
    EXPECT_EQ(dialog_->artistField()->text(), QStringLiteral("AC=DC"));
    EXPECT_EQ(dialog_->albumField()->text(), QStringLiteral("Caf\u00e9 50%"));
    EXPECT_EQ(dialog_->yearField()->text(), QStringLiteral("1980"));
    EXPECT_EQ(dialog_->genreCombo()->currentText(), QStringLiteral("Jazz"));
    EXPECT_EQ(titles(), (QStringList{QStringLiteral("A=B"), QStringLiteral("\u00c9t\u00e9")}));

    // No genre: "DGENRE=" and no selection after the round trip.
    dialog_->genreCombo()->setCurrentIndex(-1);
    dialog_->reject();
    EXPECT_TRUE(
        quandor::test::readAll(cacheFile(QStringLiteral("CDDB/Custom/0501ac02.txt"))).contains("\r\nDGENRE=\r\n"));
    dialog_.reset();
    openDialog();
    settle();
    EXPECT_EQ(dialog_->genreCombo()->currentIndex(), -1);
}

TEST_F(CddbLookupDialogTest, TitlesAreSavedWhenEditedOrLeftButNotOnQuit)
{
    open();
    const QString entry = cacheFile(QStringLiteral("CDDB/Custom/0501ac02.txt"));
    dialog_->setModalRunner([](QDialog& dialog) {
        if (auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("1023")))
            field->setText(QStringLiteral("New: Title"));
        dialog.accept();
        return dialog.result();
    });
    focusRow(1);
    drives().editFocusedTitle();
    EXPECT_TRUE(quandor::test::readAll(entry).contains("\r\nTTITLE1=New_ Title\r\n"));
    EXPECT_EQ(indexValue(), QStringLiteral("\\CDDB\\Custom\\0501ac02.txt"));

    // Choosing the drive again leaves the disc: its titles are saved first.
    ASSERT_TRUE(QFile::remove(entry));
    dialog_->driveCombo()->setCurrentIndex(0);
    drives().changeDrive();
    settle();
    EXPECT_TRUE(quandor::test::readAll(entry).contains("\r\nTTITLE1=New_ Title\r\n"));

    // Quit ends the program without writing the cache.
    ASSERT_TRUE(QFile::remove(entry));
    dialog_->quit();
    EXPECT_FALSE(QFile::exists(entry));
}

TEST_F(CddbLookupDialogTest, FailedReadDoesNotOverwriteTheSavedTitles)
{
    open();
    drives().setTrackTitle(0, QStringLiteral("Kept"));
    cddbLookup(*dialog_)->saveEntry();
    const QString entry = cacheFile(QStringLiteral("CDDB/Custom/0501ac02.txt"));
    ASSERT_TRUE(quandor::test::readAll(entry).contains("\r\nTTITLE0=Kept\r\n"));

    ASSERT_TRUE(quandor::aspi::setFailingCommands({1, 0, 0}, {0x43})); // READ TOC fails
    drives().rereadTableOfContents();
    settle();
    ASSERT_TRUE(drives().tracks().empty());
    EXPECT_TRUE(cddbLookup(*dialog_)->query().command.isEmpty());
    dialog_->reject();
    EXPECT_TRUE(quandor::test::readAll(entry).contains("\r\nTTITLE0=Kept\r\n"));
}

} // namespace
} // namespace brenlow::test
