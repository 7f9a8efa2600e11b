// The real phone of a pimsync built without libgammu: there is none, and the command line says
// so before a run begins.
#include "gammu_phone.h"

namespace pim::cli {

struct GammuPhone::State {};

GammuPhone::GammuPhone(const GammuOptions&) {
  throw PhoneError("this pimsync is built without gammu: it syncs no real phone");
}
GammuPhone::~GammuPhone() = default;
std::string GammuPhone::Identity() {
  return "";
}
int GammuPhone::Capacity(PhoneKind) {
  return 0;
}
std::vector<PhoneEntry> GammuPhone::Read(PhoneKind) {
  return {};
}
PhoneEntry GammuPhone::ReadOne(PhoneKind, int) {
  return {};
}
int GammuPhone::Add(PhoneKind, const PhoneEntry&) {
  return 0;
}
void GammuPhone::Change(PhoneKind, const PhoneEntry&) {}
void GammuPhone::Delete(PhoneKind, int) {}
PhoneEntry GammuPhone::Changed(PhoneKind, const PhoneEntry& entry, const PhoneEntry&) {
  return entry;
}

}  // namespace pim::cli
