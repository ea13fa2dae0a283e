// Components whose insides are not there yet: every operation fails cleanly.
#include "platform/audio/aac_components.h"
#include "platform/audio/audio_file_reader.h"
#include "platform/audio/audio_file_writer.h"
#include "platform/audio/audio_tag_info.h"
#include "platform/audio/file_system.h"
#include "platform/audio/mp3_lame_encoder.h"

#include <QFileInfo>

namespace quandor::audio {

namespace {
const QString notReady = QStringLiteral("not available yet");
}

class DecodedSource {};
class OutputEncoder {};
struct OutputFormat {};

AudioFileReader::AudioFileReader() = default;
AudioFileReader::~AudioFileReader() = default;
bool AudioFileReader::Open(const QString&, int, int) { lastError_ = notReady; status_ = -1; return false; }
void AudioFileReader::Close() { source_.reset(); }
bool AudioFileReader::IsOpen() const { return false; }
int AudioFileReader::ReadStatus() const { return status_; }
int AudioFileReader::FormatNumberA() const { return 0; }
int AudioFileReader::FormatNumberB() const { return 0; }
int AudioFileReader::ByteRate() const { return 0; }
int AudioFileReader::SourceLength() const { return 0; }
int AudioFileReader::DurationMs() const { return 0; }
int AudioFileReader::Channels() const { return 0; }
int AudioFileReader::SampleRate() const { return 0; }
QByteArray AudioFileReader::ReadChunk(int) { return {}; }
bool AudioFileReader::WmaSupport() const { return wmaSupport_; }
void AudioFileReader::SetWmaSupport(bool enabled) { wmaSupport_ = enabled; }
QString AudioFileReader::LastError() const { return lastError_; }

AudioFileWriter::AudioFileWriter() = default;
AudioFileWriter::~AudioFileWriter() = default;
bool AudioFileWriter::Open(const QString&, int) { return refuse(notReady); }
bool AudioFileWriter::Close() { return true; }
void AudioFileWriter::Abort() {}
bool AudioFileWriter::IsOpen() const { return false; }
bool AudioFileWriter::SetSourceFormat(int, int) { return refuse(notReady); }
bool AudioFileWriter::WriteChunk(const QByteArray&) { return refuse(notReady); }
bool AudioFileWriter::SetFormatPCM(int, int, int) { return refuse(notReady); }
bool AudioFileWriter::SetFormatMP3(int, int, int) { return refuse(notReady); }
bool AudioFileWriter::SetFormatMP3Ex(const MP3LameEncoder&) { return refuse(notReady); }
bool AudioFileWriter::IsFormatOggVorbisAvailable(int, int, int, int, int) const { return false; }
bool AudioFileWriter::SetFormatOggVorbis(int, int, int, int, int, int) { return refuse(notReady); }
bool AudioFileWriter::SelectWmaProfile(int) { return refuse(notReady); }
QString AudioFileWriter::FormatString() const { return {}; }
bool AudioFileWriter::WmaSupport() const { return wmaSupport_; }
void AudioFileWriter::SetWmaSupport(bool enabled) { wmaSupport_ = enabled; }
QString AudioFileWriter::LastError() const { return lastError_; }
int AudioFileWriter::WmaProfileCount() { return 51; }
QString AudioFileWriter::WmaProfileDescription(int) { return {}; }
bool AudioFileWriter::refuse(const QString& reason) { lastError_ = reason; return false; }

bool MP3LameEncoder::ApplyPreset(int) { lastError_ = notReady; return false; }
bool MP3LameEncoder::ApplyAltPreset(int) { lastError_ = notReady; return false; }
bool MP3LameEncoder::ApplyCommandLine(const QString&) { lastError_ = notReady; return false; }
QString MP3LameEncoder::Validate() const { return {}; }

bool AudioTagInfo::LoadTags(const QString&) { lastError_ = notReady; return false; }
bool AudioTagInfo::SaveTags(const QString&) { lastError_ = notReady; return false; }
QString AudioTagInfo::GenreName(int) { return {}; }

bool AacDecoder::IsMpeg4() const { return false; }
float AacDecoder::AACDuration() const { return 0; }
bool AacDecoder::Decode() { stopRequested_ = false; lastError_ = notReady; return true; }
void AacDecoder::Stop() { stopRequested_ = true; }
float M4aDecoder::M4ADuration() const { return 0; }
bool M4aDecoder::Decode() { stopRequested_ = false; lastError_ = notReady; return true; }
void M4aDecoder::Stop() { stopRequested_ = true; }
bool AacEncoder::SetInputFormat(int, int) { lastError_ = notReady; return false; }
bool AacEncoder::SetEncoding(bool, bool, int, int, int, int, int, bool, int) { lastError_ = notReady; return false; }
bool AacEncoder::Encode() { stopRequested_ = false; lastError_ = notReady; return false; }
void AacEncoder::Stop() { stopRequested_ = true; }

bool FileExists(const QString& path) { return QFileInfo(path).isFile(); }

} // namespace quandor::audio
