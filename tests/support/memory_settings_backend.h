// A SettingsBackend held in memory, for the tests. Sections and values live in maps; a test can plant values
// of any kind and make opening, section creation or single writes fail.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "views/settings_store.h"

namespace zt30 {

class MemorySettingsBackend final : public SettingsBackend {
public:
    bool OpenKey() override;
    bool OpenSection(const std::string& section) override;
    bool CreateSection(const std::string& section) override;
    ValueQuery QueryValue(const std::string& section, const std::string& name) override;
    bool SetTextValue(const std::string& section, const std::string& name, const std::string& text) override;

    // Plants a value of the given kind (creating its section) without counting as a write.
    void Plant(const std::string& section, const std::string& name, ValueQuery value);
    // The stored text of a value; nullopt when it is missing or not text.
    std::optional<std::string> Text(const std::string& section, const std::string& name) const;
    bool HasSection(const std::string& section) const { return sections_.count(section) != 0; }
    // Number of values stored in all sections.
    std::size_t ValueCount() const;

    // Fault injection.
    bool failOpenKey = false;
    std::set<std::string> failCreateSection;  // sections that cannot be created
    std::set<std::string> failSetValue;       // value names that cannot be set
    // Every QueryValue and SetTextValue call in order, as "section/name", to check what was (not) touched.
    std::vector<std::string> queries;
    std::vector<std::string> writes;

private:
    bool keyOpen_ = false;
    std::map<std::string, std::map<std::string, ValueQuery>> sections_;
};

}  // namespace zt30
