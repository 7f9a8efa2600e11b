/* The public header as a C compiler sees it: every declaration must be valid C99, and every
 * function must have the type a C host expects. Built, never run. */
#include "pim_handler.h"

struct PimHandlerEntryPoints {
  int32_t (*init)(void);
  void (*deinit)(void);
  int32_t (*prepare)(int32_t, int32_t, int32_t, const char*, const char*, const char*, const char*,
                     const char*);
  int32_t (*query_object_count)(uint32_t*, uint32_t*);
  int32_t (*retrieve_pim)(void);
  int32_t (*dump_sync_object_store)(const char*);
  int32_t (*sync_vcard)(const char*, const char*);
  int32_t (*sync_vcal)(const char*, const char*);
  int32_t (*update_pim)(void);
  int32_t (*update_vcard_luid)(const char*);
  int32_t (*update_vcal_luid)(const char*);
  int32_t (*purge_all)(void);
  int32_t (*init_as_fake_phone)(const char*, const char*);
  int32_t (*sync_card_as_fake_phone)(const char*, const char*);
  int32_t (*sync_cal_as_fake_phone)(const char*, const char*);
  int32_t (*deinit_as_fake_phone)(void);
  int32_t (*dump_sync_object_store_as_fake_phone)(const char*, const char*, const char*);
  void (*set_message_box_hook)(PIMPlatform_MessageBoxHook);
  void (*set_debug_output_hook)(PIMPlatform_DebugOutputHook);
};

const struct PimHandlerEntryPoints pim_handler_entry_points = {
    PIMHandler_Init,
    PIMHandler_Deinit,
    PIMHandler_Prepare,
    PIMHandler_QueryObjectCount,
    PIMHandler_RetrievePIM,
    PIMHandler_DumpSyncObjectStore,
    PIMHandler_SyncVCard,
    PIMHandler_SyncVCal,
    PIMHandler_UpdatePIM,
    PIMHandler_UpdateVCardLUID,
    PIMHandler_UpdateVCalLUID,
    PIMHandler_PurgeAll,
    PIMHandler_InitAsFakePhone,
    PIMHandler_SyncCardAsFakePhone,
    PIMHandler_SyncCalAsFakePhone,
    PIMHandler_DeinitAsFakePhone,
    PIMHandler_DumpSyncObjectStoreAsFakePhone,
    PIMPlatform_SetMessageBoxHook,
    PIMPlatform_SetDebugOutputHook,
};

/* The hook types as a C host writes its hooks. */
static int show_box(void* owner, const char* text, const char* caption, unsigned int style) {
  (void)owner;
  (void)text;
  (void)caption;
  return (int)style;
}

static void show_debug_text(const char* text) {
  (void)text;
}

const PIMPlatform_MessageBoxHook pim_handler_message_box_hook = show_box;
const PIMPlatform_DebugOutputHook pim_handler_debug_output_hook = show_debug_text;
