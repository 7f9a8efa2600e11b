// How every public call of the stand-in reports a failure. A call first passes the call seam,
// then runs its body; a status the body returns, or raises from deep inside (SQLite, a damaged
// note), is reported once, here: thrown as the bare LNSTATUS in throwing mode, returned
// otherwise. Calls that return a value instead of a status give an empty value when they fail
// without throwing.
#pragma once

#include <new>

#include "notesapi/call_seam.h"
#include "notesapi/lnglobal.h"
#include "platform/error.h"

namespace pim::notes::detail {

// Raises a status below the public calls; RunCall turns it into the caller's status, so it
// never leaves the stand-in.
[[noreturn]] inline void Raise(LNSTATUS status) {
  throw Error::NotesStatus(status);
}

// Reports `status` (non-zero): throws it in throwing mode, else returns it.
LNSTATUS Fail(LNSTATUS status);

// Runs `body` (returning LNSTATUS) as a call that may raise.
template <typename Body>
LNSTATUS RunBody(Body&& body) {
  LNSTATUS status;
  try {
    status = body();
  } catch (const Error& e) {
    if (e.kind() != Error::Kind::kNotesStatus) throw;
    status = e.status();
  } catch (const std::bad_alloc&) {
    status = LNERR_OUT_OF_MEMORY;
  }
  // Outside the try: in throwing mode Fail throws, and that must reach the caller.
  return status == LNNOERROR ? LNNOERROR : Fail(status);
}

// A public call listed among the operations: the seam, then the body.
template <typename Body>
LNSTATUS RunCall(LNOperation operation, Body&& body) {
  if (const LNSTATUS armed = EnterCall(operation)) return Fail(armed);
  return RunBody(static_cast<Body&&>(body));
}

}  // namespace pim::notes::detail
