#pragma once

#include <QString>

namespace brenvik {

// The computer's name and the logged-on user's name, shown in the tree's root caption.
class SystemNames {
public:
    virtual ~SystemNames() = default;
    virtual QString computerName() const = 0;
    virtual QString userName() const = 0;
};

// The names of this machine and this process's user.
class HostSystemNames : public SystemNames {
public:
    QString computerName() const override;
    QString userName() const override;
};

// Fixed names for tests.
class FixedSystemNames : public SystemNames {
public:
    FixedSystemNames(QString computer = QStringLiteral("COMPUTER"),
                     QString user = QStringLiteral("user"))
        : computer_(std::move(computer)), user_(std::move(user)) {}
    QString computerName() const override { return computer_; }
    QString userName() const override { return user_; }

private:
    QString computer_, user_;
};

} // namespace brenvik
