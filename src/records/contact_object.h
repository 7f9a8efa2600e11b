// The sync object store's record of one phone-book contact: the Notes note ID paired with the
// phone's LUID, the field values last exchanged, a presence flag per optional field and one
// change state per side.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "records/serializable.h"
#include "records/sync_state.h"

namespace pim {

class CContactObject final : public CSerializable {
 public:
  static const CRuntimeClass classCContactObject;

  CContactObject() = default;
  // Copies every field but the seen flag, the delta record and the two states, which start
  // cleared in the copy; whoever makes the copy sets the states.
  CContactObject(const CContactObject& other);
  CContactObject& operator=(const CContactObject&) = delete;
  ~CContactObject() override = default;

  const CRuntimeClass* GetRuntimeClass() const override { return &classCContactObject; }
  void Serialize(CArchive& ar) override;

  // The named side's state becomes Modified unless it is already Added, Deleted or Modified.
  void MarkModified(bool fromNotes);

  // Each setter returns 1 when the record changed, 0 when it did not. Strings compare without
  // regard to letter case; an equal value leaves the presence flag as it was. String values
  // come as views and are copied only when they change the record.
  int SetMobilePhone(std::string_view value, bool fromNotes);
  int SetEmail(std::string_view value, bool fromNotes);
  int SetWorkFax(std::string_view value, bool fromNotes);
  int SetHomePhone(std::string_view value, bool fromNotes);
  int SetFirstName(std::string_view value, bool fromNotes);
  int SetLastName(std::string_view value, bool fromNotes);
  int SetWorkPhone(std::string_view value, bool fromNotes);
  int SetCompany(std::string_view value, bool fromNotes);
  int SetGroupId(int32_t value, bool fromNotes);
  int SetPictureId(int32_t value, bool fromNotes);
  int SetRingId(int32_t value, bool fromNotes);
  // Sets the revision time and its flag; never marks either side modified.
  int SetRevision(int32_t value, bool fromNotes);

  // Resets the named side's state, then takes every field flagged in `other`. Returns 1.
  int MergeFrom(const CContactObject& other, bool fromNotes);

  // Clears the record before the next vCard is parsed into it. The revision time survives.
  void Reset();

  // Replaces the delta record with a copy of this record that has no field flagged, ready to
  // collect exactly the fields a Notes pass changes.
  void StartNotesDelta();

  // The caller group's category name, or "" for no group.
  std::string GetGroupName() const;
  // Takes the group from the first category that names one; returns the resulting group id.
  int32_t SetGroupFromCategories(const std::string& categories);

  int32_t m_bSeenOnPhone = 0;
  std::unique_ptr<CContactObject> m_pNotesDelta;
  std::string m_strStorage = "ME";
  int32_t m_nNotesState = SyncStateUnchanged;
  int32_t m_nPhoneState = SyncStateUnchanged;
  std::string m_strNoteKey;
  uint32_t m_nNoteId = 0;
  int32_t m_bHasRevision = 0;
  int32_t m_tRevision = 0;
  std::string m_strLuid;
  int32_t m_bHasGroupId = 0;
  // No group until something sets one: group 0 is VIP, and a contact read from a Person
  // document without categories must not be written back into Notes as a VIP.
  int32_t m_nGroupId = 4;
  int32_t m_bHasRingId = 0;
  int32_t m_nRingId = 0;
  int32_t m_bHasPictureId = 0;
  int32_t m_nPictureId = 0;
  int32_t m_bHasEmail = 0;
  std::string m_strEmail;
  int32_t m_bHasWorkFax = 0;
  std::string m_strWorkFax;
  int32_t m_bHasMobilePhone = 0;
  std::string m_strMobilePhone;
  int32_t m_bHasHomePhone = 0;
  std::string m_strHomePhone;
  int32_t m_bHasWorkPhone = 0;
  std::string m_strWorkPhone;
  int32_t m_bHasCompany = 0;
  std::string m_strCompany;
  int32_t m_bHasFirstName = 0;
  std::string m_strFirstName;
  int32_t m_bHasLastName = 0;
  std::string m_strLastName;

 private:
  int SetText(std::string& field, int32_t& present, std::string_view value, bool fromNotes);
  int SetNumber(int32_t& field, int32_t& present, int32_t value, bool fromNotes);
};

using ContactArray = std::vector<std::unique_ptr<CContactObject>>;

}  // namespace pim
