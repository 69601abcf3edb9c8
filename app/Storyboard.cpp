#include "Storyboard.h"

namespace korvex {

Storyboard& Storyboard::storyboardWithName(const QString& name) {
    static std::map<QString, Storyboard> storyboards;
    return storyboards[name];
}

void Storyboard::setController(const QString& identifier, ControllerMaker make) {
    makers_[identifier] = std::move(make);
}

QWidget* Storyboard::instantiateControllerWithIdentifier(const QString& identifier) const {
    const auto found = makers_.find(identifier);
    if (found == makers_.end() || !found->second) {
        return nullptr;
    }
    return found->second();
}

} // namespace korvex
