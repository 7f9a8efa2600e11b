// A real phone reached through libgammu: the entries of one of its memories and its to-dos,
// read and written as PhoneEntry fields. Every failure is a PhoneError in plain words.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "phone_entries.h"

namespace pim::cli {

class PhoneError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct GammuOptions {
  std::string config;  // empty: gammu's own search for its configuration file
  int section = 0;     // the configuration's [gammu], [gammu1], ...
  std::string memory = "ME";
};

class GammuPhone {
 public:
  // Connects to the phone that the configuration names.
  explicit GammuPhone(const GammuOptions& options);
  ~GammuPhone();
  GammuPhone(const GammuPhone&) = delete;
  GammuPhone& operator=(const GammuPhone&) = delete;

  // The phone's IMEI and the memory used: a run on another phone is refused.
  std::string Identity();
  // How many entries of the kind the phone holds at most.
  int Capacity(PhoneKind kind);
  std::vector<PhoneEntry> Read(PhoneKind kind);
  // The entry at a location, as the phone keeps it.
  PhoneEntry ReadOne(PhoneKind kind, int location);
  // Returns the new entry's location.
  int Add(PhoneKind kind, const PhoneEntry& entry);
  // Sets the fields that `change` carries on the entry at its location (an empty value clears
  // the field) and keeps the rest of the entry.
  void Change(PhoneKind kind, const PhoneEntry& change);
  void Delete(PhoneKind kind, int location);

  // An entry of these fields with `change` set on it, as a read of the phone then gives it back
  // (the fields the host knows; the phone keeps the others).
  static PhoneEntry Changed(PhoneKind kind, const PhoneEntry& entry, const PhoneEntry& change);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace pim::cli
