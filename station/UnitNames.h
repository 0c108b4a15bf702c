#pragma once
// The names of the units a station is working on. A unit is named by its adapter's serial, which
// follows the module from port to port; but adapters of one batch can share a serial (or carry
// none), and two units running under one name would take each other's id and row. So a serial
// names a unit only while no other running unit holds it; otherwise the unit is named by its
// port, which the station never runs twice at once.

#include <mutex>
#include <set>
#include <string>
#include <utility>

#include "NodeIdSource.h"

namespace station {

class UnitNames {
  public:
    // The unit's name until the returned claim ends; thread-safe.
    class Claim {
      public:
        Claim(UnitNames& names, UnitName name) : m_names(names), m_name(std::move(name)) {}
        Claim(Claim&& other) noexcept : m_names(other.m_names), m_name(std::move(other.m_name)) {
            other.m_name.namesModule = false;  // the serial is released once, by this claim
        }
        ~Claim();
        Claim& operator=(Claim&&) = delete;

        const UnitName& name() const { return m_name; }

      private:
        UnitNames& m_names;
        UnitName m_name;
    };

    // serial empty: the adapter has none, or the port is no USB adapter.
    Claim claim(const std::string& port, const std::string& serial);

  private:
    std::mutex m_lock;
    std::set<std::string> m_serials;  // held by running units, under m_lock
};

}  // namespace station
