#pragma once
// File names as the system gives them: bytes, which need not be UTF-8 text. The toolkit's
// text conversions would turn a name such as "caf\xE9.grv" into a different, missing one,
// so names that come in through it are taken as bytes where it still carries them.

#include <QString>
#include <QUrl>
#include <string>

namespace pattaplex {

// The local file a URL names, byte for byte as its percent-encoding gives it.
std::string localPathOf(const QUrl& url);

// A path as settings text that gives back the same bytes, and back again. Names that are
// UTF-8 stay as they are; others are kept as a percent-encoded file URL.
QString pathAsSetting(const std::string& path);
std::string pathFromSetting(const QString& setting);

// A path for showing; bytes that are no UTF-8 show as replacement characters.
QString shownPath(const std::string& path);

}  // namespace pattaplex
