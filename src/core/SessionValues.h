#pragma once

#include <QString>
#include <QStringList>

namespace kestra {

// What the login establishes for the rest of the run (read through GetEnv).
struct SessionValues {
    QString operatorNo;      // wkr_no
    QString password;        // typed at login, kept for re-login and module switching
    QString workstation;     // the workstation name the operator is bound to
    QString currentLocation; // the operator's current holdings location code
    QString branch;
    QStringList rights;    // module right codes
    QStringList locations; // location codes the operator may work on
    // The operator's row of lib_worker as the login read it.
    QString email;
    QString telephone;
    QString catalogLevel;
    QString passwordDate; // modi_pwd_date
    bool code2 = false;

    // CheckRight without the message: ROOT holds every right.
    bool hasRight(const QString &moduleCode) const
    {
        return operatorNo == QLatin1String("ROOT") || rights.contains(moduleCode);
    }
};

} // namespace kestra
