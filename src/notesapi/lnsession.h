#pragma once

#include <memory>

#include "notesapi/lncalendar.h"
#include "notesapi/lndatabase.h"
#include "notesapi/lnglobal.h"

namespace pim::notes {

class LNNotesSession {
 public:
  // Starts the session. Starting a started session is allowed and changes nothing.
  LNSTATUS Initialize(int32_t version = 0, int argc = 0, char** argv = nullptr,
                      LNBOOL use_ini = TRUE, const char* ini_path = nullptr);
  // Ends it; a session that is not started fails with LNERR_SESSION_NOT_INITIALIZED.
  LNSTATUS Term(int32_t flags = 0);
  bool IsInitialized() const { return initialized_; }

  // The database at `path` (relative paths against the current folder). Only local
  // databases are served: a non-empty server fails with LNERR_REMOTE_SERVER.
  LNSTATUS GetDatabase(const LNString& path, LNDatabase* database, const LNString& server = "");
  // The calendar of the database at path `first_name` on server `second_name`, opened.
  LNSTATUS GetCalendar(LNCalendar* calendar, const LNString& first_name,
                       const LNString& second_name, const LNString& reserved = "");

 private:
  bool initialized_ = false;
  std::shared_ptr<detail::ConnectionPool> connections_;  // while started
};

}  // namespace pim::notes
