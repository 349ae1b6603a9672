// The engine's functions the store calls, as the library that enginelibrary::load() opened holds them.
#pragma once

#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

// Every engine function the store calls, named once: the table's members and the loader that fills
// them both come from this list, so no member can be left unfilled.
#define PARCELBOOK_ENGINE_FUNCTIONS(F)                                                                       \
    F(bind_int64)                                                                                            \
    F(bind_text)                                                                                             \
    F(busy_timeout)                                                                                          \
    F(changes)                                                                                               \
    F(clear_bindings)                                                                                        \
    F(close_v2)                                                                                              \
    F(column_blob)                                                                                           \
    F(column_bytes)                                                                                          \
    F(column_count)                                                                                          \
    F(column_int64)                                                                                          \
    F(column_name)                                                                                           \
    F(column_text)                                                                                           \
    F(column_type)                                                                                           \
    F(column_value)                                                                                          \
    F(create_function_v2)                                                                                    \
    F(db_filename)                                                                                           \
    F(errmsg)                                                                                                \
    F(exec)                                                                                                  \
    F(extended_errcode)                                                                                      \
    F(finalize)                                                                                              \
    F(free)                                                                                                  \
    F(key)                                                                                                   \
    F(last_insert_rowid)                                                                                     \
    F(open_v2)                                                                                               \
    F(prepare_v2)                                                                                            \
    F(reset)                                                                                                 \
    F(result_null)                                                                                           \
    F(result_text)                                                                                           \
    F(step)                                                                                                  \
    F(stmt_readonly)                                                                                         \
    F(system_errno)                                                                                          \
    F(value_blob)                                                                                            \
    F(value_bytes)                                                                                           \
    F(value_text)

struct EngineFunctions {
// The argument is a member's name, which takes no parentheses.
// NOLINTNEXTLINE(bugprone-macro-parentheses)
#define PARCELBOOK_ENGINE_MEMBER(name) decltype(&sqlite3_##name) name;
    PARCELBOOK_ENGINE_FUNCTIONS(PARCELBOOK_ENGINE_MEMBER)
#undef PARCELBOOK_ENGINE_MEMBER
};
