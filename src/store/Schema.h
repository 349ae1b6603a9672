// The delivered database's key, file names and the three tables it must hold.
#pragma once

#include <QString>

namespace schema {

// The database password; the file is unreadable without it.
inline QString databasePassword() {
    return QStringLiteral("Q7!m#2@pX9$k&4Lr*8Zn");
}

// Paths below the program folder.
inline QString databaseFile() {
    return QStringLiteral("/db/parcelbook.mdb");
}
inline QString backupFile() {
    return QStringLiteral("/db/parcelbook.mdb.bak");
}

// ids are never reused after a clear, so a stale id can never hit a newer parcel.
inline QString createParcelbook() {
    return QStringLiteral("CREATE TABLE parcelbook (id INTEGER PRIMARY KEY AUTOINCREMENT, number TEXT, "
                          "company TEXT, goods TEXT, num TEXT)");
}
inline QString createList() {
    return QStringLiteral("CREATE TABLE list (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT, code TEXT, "
                          "shibie TEXT, \"call\" TEXT)");
}
inline QString createSetting() {
    return QStringLiteral("CREATE TABLE setting (通知邮箱 TEXT, 邮件通知 TEXT, 语音提示 TEXT, 支持拖动 TEXT, "
                          "关闭窗口 TEXT, 气泡提示 TEXT, 默认查询 TEXT, 自动识别 TEXT)");
}

} // namespace schema
