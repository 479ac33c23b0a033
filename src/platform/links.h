#pragma once

#include <QString>

// The maker's addresses, one constant each.
namespace Links {
inline const QString kWebSite = QStringLiteral("https://vantorel.example.org/");
inline const QString kSupportMail = QStringLiteral("support@vantorel.example.org");
}  // namespace Links
