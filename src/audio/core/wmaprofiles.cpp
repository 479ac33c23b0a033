#include "audio/core/wmaprofiles.h"

#include "audio/core/audioerror.h"

#include <QString>

namespace {

constexpr int kLowestKbps = 24;

}  // namespace

WmaProfile wmaProfile(int number)
{
    if (number < 1 || number > kWmaProfileCount)
        throw AudioError(QStringLiteral("WMA profile %1 does not exist (1 to %2)")
                             .arg(number)
                             .arg(kWmaProfileCount));
    return kWmaProfiles[static_cast<std::size_t>(number - 1)];
}

bool wmaProfileWritable(int number)
{
    return wmaProfile(number).bitrate >= kLowestKbps;
}
