#include "converter/options/aac_options_window.h"

#include "tests/converter/options/option_test_support.h"
#include "tests/support/recording_services.h"
#include "tests/support/tools.h"
#include "tests/support/wav_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace tavrel {
namespace {

using test::ModalWatcher;
using test::ProgramFolder;

TEST(OptionButtons, EachFormatsButtonOpensItsWindowModallyOverTheMainWindow)
{
    const struct {
        const char* format;
        const char* window;
    } cases[] = {{"Mp3", "frmMP3"}, {"Ogg", "frmOgg"}, {"Wav", "frmWav"}, {"AAC", "frmAAC"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        ProgramFolder folder;
        auto main = folder.started();
        main->Combo1->setCurrentText(QString::fromLatin1(c.format));
        main->Combo1_Click();
        const QByteArray before = folder.configBytes();
        QString seen;
        QWidget* owner = nullptr;
        ModalWatcher watcher([&](QWidget& modal) {
            seen = modal.objectName();
            owner = modal.parentWidget();
            static_cast<QDialog&>(modal).reject(); // the close box
        });
        main->Command2_Click();
        EXPECT_EQ(seen, QString::fromLatin1(c.window));
        EXPECT_EQ(owner, main.get());
        EXPECT_EQ(folder.configBytes(), before);
    }
}

TEST(OptionButtons, AacChoicesShowInTheEncodedStream)
{
    if (!quandor::test::haveCheckingTool(QStringLiteral("ffprobe")))
        GTEST_SKIP() << "ffprobe missing";
    const struct {
        bool mpeg4;
        bool lowComplexity;
        unsigned char adtsByte1;
        const char* profile;
    } cases[] = {{false, false, 0xF9, "Main"}, {true, true, 0xF1, "LC"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.profile);
        ProgramFolder folder;
        auto main = folder.started();
        {
            FrmAac window(main->optionSettings());
            window.fillFrom(main->optionSettings().aacSettings());
            (c.mpeg4 ? window.Option2 : window.Option1)->setChecked(true);
            window.Combo2->setCurrentIndex(c.lowComplexity ? 1 : 0);
            window.Command1_Click();
        }
        const QString source = folder.file(QStringLiteral("source.wav"));
        ASSERT_TRUE(quandor::test::writeWavFile(source, {44100, 2, 16}, 1.0));
        const QString outFolder = folder.file(QStringLiteral("out"));
        ASSERT_TRUE(QDir().mkpath(outFolder));
        main->Combo1->setCurrentText(QStringLiteral("AAC"));
        main->Combo1_Click();
        main->AddFileToList(source);
        main->Check1->setChecked(false);
        main->Text1->setText(outFolder);
        quandor::test::RecordingServices services;
        main->Command3_Click();
        const QString out = QDir(outFolder).filePath(QStringLiteral("source.aac"));
        const QByteArray bytes = quandor::test::readAll(out);
        ASSERT_GT(bytes.size(), 7) << services.messageTexts().join('\n').toStdString();
        EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xFF);
        EXPECT_EQ(static_cast<unsigned char>(bytes[1]), c.adtsByte1);
        const auto stream = quandor::test::firstAudioStream(quandor::test::ffprobe(out));
        EXPECT_EQ(stream.value("profile").toString(), c.profile);
    }
}

} // namespace
} // namespace tavrel
