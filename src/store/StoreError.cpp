// The store's failures told in Chinese.
#include "store/StoreError.h"

#include "text/FailureReason.h"

#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

QString storeFailureReason(int resultCode, int systemError, const QString &detail) {
    logFailureDetail("database", detail);
    switch (resultCode & 0xff) {
    case SQLITE_OK:
        return QString();
    case SQLITE_FULL:
        return QStringLiteral("磁盘已满");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("文件已损坏");
    case SQLITE_PERM:
    case SQLITE_READONLY:
    case SQLITE_AUTH:
        return QStringLiteral("没有权限");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_PROTOCOL:
        return QStringLiteral("快递列表正被其他程序使用");
    case SQLITE_CANTOPEN:
        return systemError != 0 ? fileFailureReason(systemError, FileAccess::Read)
                                : QStringLiteral("文件无法打开");
    case SQLITE_IOERR:
        return systemError != 0 ? fileFailureReason(systemError, FileAccess::Read)
                                : QStringLiteral("磁盘读写出错");
    case SQLITE_NOMEM:
        return QStringLiteral("系统资源不足");
    case SQLITE_INTERRUPT:
    case SQLITE_ABORT:
        return QStringLiteral("操作已中止");
    case SQLITE_TOOBIG:
    case SQLITE_NOLFS:
        return QStringLiteral("数据太大");
    case SQLITE_CONSTRAINT:
        return QStringLiteral("与已有的数据冲突");
    default:
        break;
    }
    return QStringLiteral("数据库出错");
}

QString StoreError::reason() const {
    return m_resultCode == 0 ? m_description : storeFailureReason(m_resultCode, m_systemError, m_description);
}

bool StoreError::meansDamage() const {
    const int primary = m_resultCode & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

Failure failureOf(const StoreError &error) {
    return Failure{error.reason(), error.description(),
                   error.meansDamage() ? Failure::Kind::Damaged : Failure::Kind::Plain};
}
