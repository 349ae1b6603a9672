// The engine's functions the store calls, as the library that enginelibrary::load() opened holds them.
#pragma once

#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

struct EngineFunctions {
    decltype(&sqlite3_bind_int64) bind_int64;
    decltype(&sqlite3_bind_text) bind_text;
    decltype(&sqlite3_busy_timeout) busy_timeout;
    decltype(&sqlite3_changes) changes;
    decltype(&sqlite3_clear_bindings) clear_bindings;
    decltype(&sqlite3_close_v2) close_v2;
    decltype(&sqlite3_column_blob) column_blob;
    decltype(&sqlite3_column_bytes) column_bytes;
    decltype(&sqlite3_column_count) column_count;
    decltype(&sqlite3_column_int64) column_int64;
    decltype(&sqlite3_column_name) column_name;
    decltype(&sqlite3_column_text) column_text;
    decltype(&sqlite3_column_type) column_type;
    decltype(&sqlite3_column_value) column_value;
    decltype(&sqlite3_create_function_v2) create_function_v2;
    decltype(&sqlite3_db_filename) db_filename;
    decltype(&sqlite3_errmsg) errmsg;
    decltype(&sqlite3_exec) exec;
    decltype(&sqlite3_extended_errcode) extended_errcode;
    decltype(&sqlite3_finalize) finalize;
    decltype(&sqlite3_free) free;
    decltype(&sqlite3_key) key;
    decltype(&sqlite3_last_insert_rowid) last_insert_rowid;
    decltype(&sqlite3_open_v2) open_v2;
    decltype(&sqlite3_prepare_v2) prepare_v2;
    decltype(&sqlite3_reset) reset;
    decltype(&sqlite3_result_null) result_null;
    decltype(&sqlite3_result_text) result_text;
    decltype(&sqlite3_step) step;
    decltype(&sqlite3_stmt_readonly) stmt_readonly;
    decltype(&sqlite3_system_errno) system_errno;
    decltype(&sqlite3_value_blob) value_blob;
    decltype(&sqlite3_value_bytes) value_bytes;
    decltype(&sqlite3_value_text) value_text;
};
