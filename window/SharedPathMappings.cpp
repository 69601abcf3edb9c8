#include "SharedPathMappings.h"

#include <QByteArray>

#include <algorithm>

namespace korvex {

SharedPathMappings* SharedPathMappings::instance() {
    static SharedPathMappings* shared = new SharedPathMappings; // lives as long as the program
    return shared;
}

bool SharedPathMappings::add(const PathMapping& mapping, QString& error) {
    const PathMappingStore store;
    const std::vector<PathMapping> now = store.load().mappings;
    std::vector<PathMapping> edited = now;
    edited.push_back(mapping); // last, after the rows there are; a second copy is dropped
    if (std::find(now.begin(), now.end(), PathMappingStore::cleaned({mapping}).at(0)) !=
        now.end()) {
        edited.pop_back();
    }
    return saveEdits(store, now, edited, error);
}

bool SharedPathMappings::saveEdits(const PathMappingStore& store,
                                   const std::vector<PathMapping>& base,
                                   const std::vector<PathMapping>& edited, QString& error,
                                   std::vector<PathMapping>* stored) {
    std::string why;
    if (!store.saveEdits(base, edited, why, stored)) {
        error = QString::fromLocal8Bit(QByteArray::fromStdString(why));
        return false;
    }
    emit changed();
    return true;
}

} // namespace korvex
