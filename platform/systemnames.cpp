#include "platform/systemnames.h"

#include <QSysInfo>
#include <pwd.h>
#include <unistd.h>

namespace brenvik {

QString HostSystemNames::computerName() const {
    return QSysInfo::machineHostName();
}

QString HostSystemNames::userName() const {
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name && *pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    // A uid without a passwd entry (containers): the environment, then the number.
    const QString env = qEnvironmentVariable("USER");
    return env.isEmpty() ? QString::number(getuid()) : env;
}

} // namespace brenvik
