#include "notesapi/lnsession.h"

#include <filesystem>
#include <system_error>

#include "notesapi/call_guard.h"
#include "notesapi/notes_store.h"

namespace pim::notes {

using detail::RunCall;

namespace {

// The database file a path names, fixed now so that a later change of the current folder does
// not move it. Raises LNERR_BAD_ARGUMENT for a path that names nothing.
LNString ResolvePath(const LNString& path) {
  if (path.empty()) detail::Raise(LNERR_BAD_ARGUMENT);
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  if (error) detail::Raise(LNERR_BAD_ARGUMENT);
  return absolute.string();
}

}  // namespace

LNSTATUS LNNotesSession::Initialize(int32_t /*version*/, int /*argc*/, char** /*argv*/,
                                    LNBOOL /*use_ini*/, const char* /*ini_path*/) {
  return RunCall(LNOperation::kSessionInitialize, [&]() -> LNSTATUS {
    if (!connections_) connections_ = std::make_shared<detail::ConnectionPool>();
    initialized_ = true;
    return LNNOERROR;
  });
}

LNSTATUS LNNotesSession::Term(int32_t /*flags*/) {
  return RunCall(LNOperation::kSessionTerm, [&]() -> LNSTATUS {
    if (!initialized_) return LNERR_SESSION_NOT_INITIALIZED;
    initialized_ = false;
    // Each file's connection closes when the last handle on it goes.
    connections_.reset();
    return LNNOERROR;
  });
}

LNSTATUS LNNotesSession::GetDatabase(const LNString& path, LNDatabase* database,
                                     const LNString& server) {
  return RunCall(LNOperation::kSessionGetDatabase, [&]() -> LNSTATUS {
    if (!initialized_) return LNERR_SESSION_NOT_INITIALIZED;
    if (!server.empty()) return LNERR_REMOTE_SERVER;
    if (database == nullptr) return LNERR_BAD_ARGUMENT;
    LNString resolved = ResolvePath(path);
    database->db_.reset();
    database->path_ = std::move(resolved);
    database->connections_ = connections_;
    return LNNOERROR;
  });
}

LNSTATUS LNNotesSession::GetCalendar(LNCalendar* calendar, const LNString& first_name,
                                     const LNString& second_name, const LNString& /*reserved*/) {
  return RunCall(LNOperation::kSessionGetCalendar, [&]() -> LNSTATUS {
    if (!initialized_) return LNERR_SESSION_NOT_INITIALIZED;
    if (!second_name.empty()) return LNERR_REMOTE_SERVER;
    if (calendar == nullptr) return LNERR_BAD_ARGUMENT;
    LNString resolved = ResolvePath(first_name);
    auto db = connections_->Get(resolved);
    calendar->path_ = std::move(resolved);
    calendar->db_ = std::move(db);
    calendar->connections_ = connections_;
    return LNNOERROR;
  });
}

}  // namespace pim::notes
