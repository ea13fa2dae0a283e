#pragma once
// Tavrel's own messages in the user's language. The messages are made in
// English where they arise (the engine, the encoders, the system's reasons);
// each phrase below has a line of the language file, and a message is put
// into the language in use as it is shown. A language file without the line
// keeps the English phrase.

#include <QString>

namespace tavrel {

/// `english` with every phrase that has a language line replaced by that line:
/// a whole line of the message, or one of the parts a ": " separates
/// ("cannot create the target: Cannot create /a.mp3: No space left on device").
QString localizedMessage(const QString& english);

} // namespace tavrel
