#include "support/memory_settings_backend.h"

namespace zt30 {

bool MemorySettingsBackend::OpenKey() {
    keyOpen_ = !failOpenKey;
    return keyOpen_;
}

bool MemorySettingsBackend::OpenSection(const std::string& section) {
    return keyOpen_ && sections_.count(section) != 0;
}

bool MemorySettingsBackend::CreateSection(const std::string& section) {
    if (!keyOpen_ || failCreateSection.count(section) != 0) {
        return false;
    }
    sections_[section];
    return true;
}

ValueQuery MemorySettingsBackend::QueryValue(const std::string& section, const std::string& name) {
    queries.push_back(section + "/" + name);
    auto sectionIt = sections_.find(section);
    if (sectionIt == sections_.end()) {
        return {};
    }
    auto valueIt = sectionIt->second.find(name);
    return valueIt == sectionIt->second.end() ? ValueQuery{} : valueIt->second;
}

bool MemorySettingsBackend::SetTextValue(const std::string& section, const std::string& name,
                                         const std::string& text) {
    writes.push_back(section + "/" + name);
    auto sectionIt = sections_.find(section);
    if (!keyOpen_ || sectionIt == sections_.end() || failSetValue.count(name) != 0) {
        return false;
    }
    sectionIt->second[name] = {ValueQuery::Kind::Text, text};
    return true;
}

void MemorySettingsBackend::Plant(const std::string& section, const std::string& name, ValueQuery value) {
    sections_[section][name] = std::move(value);
}

std::optional<std::string> MemorySettingsBackend::Text(const std::string& section,
                                                       const std::string& name) const {
    auto sectionIt = sections_.find(section);
    if (sectionIt == sections_.end()) {
        return std::nullopt;
    }
    auto valueIt = sectionIt->second.find(name);
    if (valueIt == sectionIt->second.end() || valueIt->second.kind != ValueQuery::Kind::Text) {
        return std::nullopt;
    }
    return valueIt->second.text;
}

std::size_t MemorySettingsBackend::ValueCount() const {
    std::size_t count = 0;
    for (const auto& [section, values] : sections_) {
        count += values.size();
    }
    return count;
}

}  // namespace zt30
