#pragma once

#include <QString>

// The maker's addresses, one constant each.
namespace Links {
// The build names them once, for the program and for its installed metadata and package.
inline const QString kWebSite = QStringLiteral(VANTOREL_HOMEPAGE_URL);
inline const QString kSupportMail = QStringLiteral(VANTOREL_SUPPORT_MAIL);
}  // namespace Links
