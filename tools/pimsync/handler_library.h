// libpimhandler.so loaded at run time, the way a synchronisation host loads it: every
// entry point reached through dlsym, nothing linked in.
#pragma once

#include <string>

#include "pim_handler.h"

namespace pim::cli {

class HandlerLibrary {
 public:
  // libpimhandler.so in the folder of the running pimsync binary.
  static std::string DefaultPath();

  // Loads the library; a library that cannot be loaded, or lacks an entry point, throws
  // std::runtime_error with the loader's message.
  explicit HandlerLibrary(const std::string& path);
  ~HandlerLibrary();
  HandlerLibrary(const HandlerLibrary&) = delete;
  HandlerLibrary& operator=(const HandlerLibrary&) = delete;

  decltype(&PIMHandler_Init) Init;
  decltype(&PIMHandler_Deinit) Deinit;
  decltype(&PIMHandler_Prepare) Prepare;
  decltype(&PIMHandler_QueryObjectCount) QueryObjectCount;
  decltype(&PIMHandler_RetrievePIM) RetrievePIM;
  decltype(&PIMHandler_DumpSyncObjectStore) DumpSyncObjectStore;
  decltype(&PIMHandler_SyncVCard) SyncVCard;
  decltype(&PIMHandler_SyncVCal) SyncVCal;
  decltype(&PIMHandler_UpdatePIM) UpdatePIM;
  decltype(&PIMHandler_UpdateVCardLUID) UpdateVCardLUID;
  decltype(&PIMHandler_UpdateVCalLUID) UpdateVCalLUID;
  decltype(&PIMHandler_PurgeAll) PurgeAll;
  decltype(&PIMHandler_InitAsFakePhone) InitAsFakePhone;
  decltype(&PIMHandler_SyncCardAsFakePhone) SyncCardAsFakePhone;
  decltype(&PIMHandler_SyncCalAsFakePhone) SyncCalAsFakePhone;
  decltype(&PIMHandler_DeinitAsFakePhone) DeinitAsFakePhone;
  decltype(&PIMHandler_DumpSyncObjectStoreAsFakePhone) DumpSyncObjectStoreAsFakePhone;
  decltype(&PIMPlatform_SetMessageBoxHook) SetMessageBoxHook;
  decltype(&PIMPlatform_SetDebugOutputHook) SetDebugOutputHook;

 private:
  void* handle_ = nullptr;
};

}  // namespace pim::cli
