#include "platform/ui/ComponentPalette.h"

#include <algorithm>

#include "foundation/SysUtils.h"

namespace velt {

int TComponentPalette::IndexOf(std::string_view className) const {
    for (size_t i = 0; i < entries_.size(); ++i)
        if (SameText(entries_[i].Class, className)) return int(i);
    return -1;
}

void TComponentPalette::RegisterComponent(std::string_view page, std::string_view className,
                                          TComponentFactory factory) {
    if (page.empty()) throw Exception("A palette page needs a name");
    if (className.empty()) throw Exception("A component class needs a name");
    if (!factory) throw Exception("Component class " + std::string(className) + " has no factory");
    auto pageIt = std::find_if(pages_.begin(), pages_.end(), [&](const std::string& p) { return SameText(p, page); });
    const std::string pageName = pageIt != pages_.end() ? *pageIt : std::string(page);
    if (const int old = IndexOf(className); old >= 0 && SameText(entries_[old].Page, page)) {
        entries_[old].Factory = std::move(factory);
        return;
    }
    UnregisterComponent(className);
    if (std::none_of(pages_.begin(), pages_.end(), [&](const std::string& p) { return SameText(p, pageName); }))
        pages_.push_back(pageName);
    entries_.push_back(Entry{pageName, std::string(className), std::move(factory)});
}

void TComponentPalette::UnregisterComponent(std::string_view className) {
    const int i = IndexOf(className);
    if (i < 0) return;
    const std::string page = entries_[i].Page;
    entries_.erase(entries_.begin() + i);
    if (std::none_of(entries_.begin(), entries_.end(), [&](const Entry& e) { return SameText(e.Page, page); }))
        std::erase_if(pages_, [&](const std::string& p) { return SameText(p, page); });
}

std::vector<std::string> TComponentPalette::GetPages() const { return pages_; }

std::vector<std::string> TComponentPalette::GetClasses(std::string_view page) const {
    std::vector<std::string> r;
    for (const Entry& e : entries_)
        if (SameText(e.Page, page)) r.push_back(e.Class);
    return r;
}

std::string TComponentPalette::GetPageOf(std::string_view className) const {
    const int i = IndexOf(className);
    return i >= 0 ? entries_[i].Page : std::string();
}

std::unique_ptr<QWidget> TComponentPalette::CreateComponent(std::string_view className) const {
    const int i = IndexOf(className);
    if (i < 0) throw EClassNotFound("Class " + std::string(className) + " not found");
    return entries_[i].Factory();
}

TComponentPalette& ComponentPalette() {
    static TComponentPalette palette;
    return palette;
}

void RegisterComponents(std::string_view page,
                        const std::vector<std::pair<std::string, TComponentFactory>>& classes) {
    for (const auto& [name, factory] : classes) ComponentPalette().RegisterComponent(page, name, factory);
}

}  // namespace velt
