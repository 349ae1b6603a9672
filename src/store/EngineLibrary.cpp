// The database engine's functions, taken from its library when the first book is opened.
#include "store/EngineLibrary.h"
#include "store/EngineFunctions.h"

#include <dlfcn.h>

#include <type_traits>

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif
#else
constexpr bool sanitized = false;
#endif

Outcome<const EngineFunctions *> opened() {
    // Never closed: the program keeps its books open until it ends. The engine and the crypto library
    // find their own symbols in themselves first: looked up through the sixty libraries the window has
    // loaded already, their thousands of references took three quarters of the opening's time. The
    // sanitizers' runtimes refuse that order, so their builds look the usual way.
    constexpr int ownSymbolsFirst = sanitized ? 0 : RTLD_DEEPBIND;
    void *library = dlopen(PARCELBOOK_ENGINE_LIBRARY, RTLD_NOW | RTLD_LOCAL | ownSymbolsFirst);
    const auto failed = [] {
        const char *words = dlerror();
        return Failure{QStringLiteral("无法载入数据库引擎"),
                       words ? QString::fromLocal8Bit(words) : QStringLiteral(PARCELBOOK_ENGINE_LIBRARY)};
    };
    if (!library) {
        return failed();
    }
    static EngineFunctions functions;
    bool complete = true;
    const auto take = [library, &complete](auto &function, const char *name) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(library, name));
        complete = complete && function != nullptr;
    };
    take(functions.bind_int64, "sqlite3_bind_int64");
    take(functions.bind_text, "sqlite3_bind_text");
    take(functions.busy_timeout, "sqlite3_busy_timeout");
    take(functions.changes, "sqlite3_changes");
    take(functions.clear_bindings, "sqlite3_clear_bindings");
    take(functions.close_v2, "sqlite3_close_v2");
    take(functions.column_blob, "sqlite3_column_blob");
    take(functions.column_bytes, "sqlite3_column_bytes");
    take(functions.column_count, "sqlite3_column_count");
    take(functions.column_int64, "sqlite3_column_int64");
    take(functions.column_name, "sqlite3_column_name");
    take(functions.column_text, "sqlite3_column_text");
    take(functions.column_type, "sqlite3_column_type");
    take(functions.column_value, "sqlite3_column_value");
    take(functions.create_function_v2, "sqlite3_create_function_v2");
    take(functions.db_filename, "sqlite3_db_filename");
    take(functions.errmsg, "sqlite3_errmsg");
    take(functions.exec, "sqlite3_exec");
    take(functions.extended_errcode, "sqlite3_extended_errcode");
    take(functions.finalize, "sqlite3_finalize");
    take(functions.free, "sqlite3_free");
    take(functions.key, "sqlite3_key");
    take(functions.last_insert_rowid, "sqlite3_last_insert_rowid");
    take(functions.open_v2, "sqlite3_open_v2");
    take(functions.prepare_v2, "sqlite3_prepare_v2");
    take(functions.reset, "sqlite3_reset");
    take(functions.result_null, "sqlite3_result_null");
    take(functions.result_text, "sqlite3_result_text");
    take(functions.step, "sqlite3_step");
    take(functions.stmt_readonly, "sqlite3_stmt_readonly");
    take(functions.system_errno, "sqlite3_system_errno");
    take(functions.value_blob, "sqlite3_value_blob");
    take(functions.value_bytes, "sqlite3_value_bytes");
    take(functions.value_text, "sqlite3_value_text");
    if (!complete) {
        return failed();
    }
    return &functions;
}

} // namespace

namespace enginelibrary {

const Outcome<const EngineFunctions *> &load() {
    // A static's first use runs once; a second thread arriving meanwhile waits for it.
    static const Outcome<const EngineFunctions *> engine = opened();
    return engine;
}

} // namespace enginelibrary
