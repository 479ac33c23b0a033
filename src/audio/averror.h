#pragma once

class QString;

// libav's text for an error code, e.g. "Invalid data found when processing input".
QString avErrorText(int errorCode);

// Returns errorCode when it is not negative; otherwise throws AudioError naming
// the libav call, the file and libav's text for the code.
int avCheck(int errorCode, const char *call, const QString &fileName);
