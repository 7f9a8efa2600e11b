/*
 * pim_handler.h: the C interface of libpimhandler.so, the PIM handler that keeps a phone's
 * contacts (vCard 2.1) and to-dos (vCalendar 1.0 VTODO) in step with Notes.
 *
 * Conventions:
 * - Plain C functions with the platform's standard calling convention. Integers are 32 bits;
 *   strings are zero-terminated byte strings, read only, taken as they stand (no trimming or
 *   case folding); counts come back through pointers to unsigned 32-bit integers. A null
 *   string pointer counts as an empty string.
 * - Results: 0 success; 1 a failure (reported to the user in a message box where the function
 *   says so); 2 a store file whose first word is not 1; 3 a phone pass over its record limit.
 * - No C++ exception ever leaves the library.
 * - Calls must not overlap: the library takes no lock. All its state is one module-wide
 *   session per loaded instance (the settings of Prepare, the Notes session, the store's
 *   records), which every function works on and keeps from call to call; the fake-phone
 *   functions use the same settings and Notes session. A host that needs both the handler and
 *   the fake phone loads two instances (two processes, or dlmopen).
 * - A sync run: Init, Prepare, QueryObjectCount (optional), RetrievePIM, SyncVCard, SyncVCal,
 *   (the host applies the change files to the phone), UpdatePIM, UpdateVCardLUID,
 *   UpdateVCalLUID, Deinit. Deinit saves the sync object store.
 * - Message boxes and debug output reach the host through the two platform hooks at the end.
 */
#ifndef PIM_HANDLER_H_
#define PIM_HANDLER_H_

#include <stdint.h>

#if defined(__GNUC__)
#define PIM_EXPORT __attribute__((visibility("default")))
#else
#define PIM_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Starts the Notes session. 0, or 1 after a reported failure. */
PIM_EXPORT int32_t PIMHandler_Init(void);

/* Ends the Notes session, saves the store file (replacing the old one only once the new one is
 * complete) and releases every record. */
PIM_EXPORT void PIMHandler_Deinit(void);

/* Stores the run's settings: sync mode (0: what the phone lacks is sent again; 1: what Notes
 * lacks is brought back; 2, and any other value: deletions travel both ways), record limits,
 * the contact database path and server, the calendar's second and first names (note the
 * order), and the store file path. Always 0. */
PIM_EXPORT int32_t PIMHandler_Prepare(int32_t sync_mode, int32_t contact_limit,
                                      int32_t calendar_limit, const char* contact_db_path,
                                      const char* contact_db_server,
                                      const char* calendar_second_name,
                                      const char* calendar_first_name, const char* store_path);

/* Counts the Person documents and the calendar entries of 1990/1/1 to 2020/1/1. */
PIM_EXPORT int32_t PIMHandler_QueryObjectCount(uint32_t* contact_count, uint32_t* calendar_count);

/* Loads the store file and merges every Notes contact and to-do into it. 0, 1, or 2 when the
 * store file's first word is not 1 (nothing is loaded then). */
PIM_EXPORT int32_t PIMHandler_RetrievePIM(void);

/* Writes every record of a store file to the debug output, to-dos first. 0 (also when there is
 * no file), 1 when reading failed, 2 for a foreign first word. */
PIM_EXPORT int32_t PIMHandler_DumpSyncObjectStore(const char* store_path);

/* A phone pass: reads the phone's complete record set and writes the change file the phone
 * must apply. 0; 1 after a reported file error; 3 when the records would exceed the limit
 * (nothing changes then and the change file stays empty). */
PIM_EXPORT int32_t PIMHandler_SyncVCard(const char* phone_file, const char* change_file);
PIM_EXPORT int32_t PIMHandler_SyncVCal(const char* phone_file, const char* change_file);

/* Applies the phone's additions, changes and deletions to Notes. 0, or 1 after a report. */
PIM_EXPORT int32_t PIMHandler_UpdatePIM(void);

/* Gives the records sent to the phone as new the LUIDs of the answer file, in order. 0, or 1
 * when the LUIDs and the waiting records do not pair up or a file error was reported. */
PIM_EXPORT int32_t PIMHandler_UpdateVCardLUID(const char* answer_file);
PIM_EXPORT int32_t PIMHandler_UpdateVCalLUID(const char* answer_file);

/* Deletes every Person document and every to-do of the calendar range from Notes, in a Notes
 * session of its own. The store is not touched. */
PIM_EXPORT int32_t PIMHandler_PurgeAll(void);

/* Sets the days whose to-dos the count, the retrieval, the purge and the fake phone's start take,
 * both included, written YYYY-MM-DD; 1990-01-01 to 2020-01-01 until it is called. It outlives
 * PIMHandler_Deinit. 1, and no message box, for a malformed day, a day before 1970 or after
 * 2037, or a last day before the first. */
PIM_EXPORT int32_t PIMHandler_SetCalendarRange(const char* first_day, const char* last_day);

/* Fake-phone mode: the library plays the phone, with the Notes databases of Prepare as the
 * phone's memory. Writes the phone record files (an empty path leaves that kind out). */
PIM_EXPORT int32_t PIMHandler_InitAsFakePhone(const char* contact_file, const char* calendar_file);

/* Applies a change file to the fake phone and writes the LUID answer file. */
PIM_EXPORT int32_t PIMHandler_SyncCardAsFakePhone(const char* change_file, const char* answer_file);
PIM_EXPORT int32_t PIMHandler_SyncCalAsFakePhone(const char* change_file, const char* answer_file);

/* Ends the fake phone's Notes session; returns its status. */
PIM_EXPORT int32_t PIMHandler_DeinitAsFakePhone(void);

/* Writes the phone record files of a phone whose memory equals a store file. */
PIM_EXPORT int32_t PIMHandler_DumpSyncObjectStoreAsFakePhone(const char* store_path,
                                                             const char* contact_file,
                                                             const char* calendar_file);

/* Platform hooks. Without a message-box hook a box becomes one line on stderr; without a
 * debug-output hook the debug output goes nowhere. A null caption (the default title) and an
 * empty caption reach the hook as NULL and as "". The hook's result is the box's answer. */
typedef int (*PIMPlatform_MessageBoxHook)(void* owner, const char* text, const char* caption,
                                          unsigned int style);
typedef void (*PIMPlatform_DebugOutputHook)(const char* text);

/* NULL restores the default. */
PIM_EXPORT void PIMPlatform_SetMessageBoxHook(PIMPlatform_MessageBoxHook hook);
PIM_EXPORT void PIMPlatform_SetDebugOutputHook(PIMPlatform_DebugOutputHook hook);

#ifdef __cplusplus
}
#endif

#endif /* PIM_HANDLER_H_ */
