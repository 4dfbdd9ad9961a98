#include "native_paths.h"

#include <QByteArray>

namespace pattaplex {

namespace {

const QString kFileScheme = QStringLiteral("file://");

}  // namespace

std::string localPathOf(const QUrl& url) {
    // A URL naming another host is left to the toolkit's own reading.
    if (!url.host().isEmpty() && url.host() != QLatin1String("localhost"))
        return url.toLocalFile().toStdString();
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

QString pathAsSetting(const std::string& path) {
    const QByteArray bytes = QByteArray::fromStdString(path);
    const QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() == bytes && !text.startsWith(kFileScheme)) return text;
    return kFileScheme + QString::fromLatin1(bytes.toPercentEncoding("/"));
}

std::string pathFromSetting(const QString& setting) {
    if (!setting.startsWith(kFileScheme)) return setting.toStdString();
    return QByteArray::fromPercentEncoding(setting.mid(kFileScheme.size()).toLatin1())
        .toStdString();
}

QString shownPath(const std::string& path) {
    return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
}

}  // namespace pattaplex
