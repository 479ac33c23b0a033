#pragma once

#include <QString>

// The maker's addresses, one constant each.
namespace Links {
// The build names the web site once, for the program and its installed metadata.
inline const QString kWebSite = QStringLiteral(VANTOREL_HOMEPAGE_URL);
inline const QString kSupportMail = QStringLiteral("support@vantorel.example.org");
}  // namespace Links
