#pragma once
// The component palette: the pages that design-time components are put on
// when a package registers them, and the classes by name with the factory
// that makes one. Names of pages and classes are compared with ASCII case
// folded and kept as first given.

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velt {

// A new component without parent; the caller gives it one (and Qt the
// ownership).
using TComponentFactory = std::function<std::unique_ptr<QWidget>()>;

// The factory of a control class whose T::Create() makes it complete (its
// Loaded step run).
template <typename T>
TComponentFactory ComponentFactory() {
    return [] { return std::unique_ptr<QWidget>(T::Create().release()); };
}

class TComponentPalette {
public:
    // Puts the class on the page, which is made when new. A class registered
    // again takes the new factory and moves to that page (a class registered
    // twice on one page stays there once). An empty page or class name, or
    // no factory, raises.
    void RegisterComponent(std::string_view page, std::string_view className, TComponentFactory factory);
    // Takes a class off the palette (a package that unloads takes its own
    // off); its page goes when it is left empty. Unknown names do nothing.
    void UnregisterComponent(std::string_view className);

    // Pages in the order they were made.
    std::vector<std::string> GetPages() const;
    // Classes of a page in the order they were put there; none for an
    // unknown page.
    std::vector<std::string> GetClasses(std::string_view page) const;
    // The page of a class, empty when it is not registered.
    std::string GetPageOf(std::string_view className) const;
    bool IsRegistered(std::string_view className) const { return IndexOf(className) >= 0; }
    // A new component of the class; EClassNotFound "Class NAME not found".
    std::unique_ptr<QWidget> CreateComponent(std::string_view className) const;

private:
    struct Entry {
        std::string Page;
        std::string Class;
        TComponentFactory Factory;
    };
    int IndexOf(std::string_view className) const;
    std::vector<std::string> pages_;
    std::vector<Entry> entries_;  // in registration order
};

// The palette of the process.
TComponentPalette& ComponentPalette();

// ComponentPalette().RegisterComponent for each class, in order.
void RegisterComponents(std::string_view page,
                        const std::vector<std::pair<std::string, TComponentFactory>>& classes);

}  // namespace velt
