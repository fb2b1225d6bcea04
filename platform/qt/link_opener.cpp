#include "platform/qt/link_opener.hpp"

#include <QDesktopServices>
#include <QUrl>

namespace ywf {

void QtLinkOpener::openLink(const std::string& link) {
    // Whether a handler for the scheme exists is the desktop's business; the result is
    // not reported.
    (void)QDesktopServices::openUrl(QUrl(QString::fromStdString(link), QUrl::TolerantMode));
}

}  // namespace ywf
