// A failed D-Bus call told in Chinese; the bus's own words go to the log.
#pragma once

#include <QString>

// A D-Bus call or connection that failed, by the error's name ("org.freedesktop.DBus.Error.…").
QString busFailureReason(const QString &errorName, const QString &detail = {});
