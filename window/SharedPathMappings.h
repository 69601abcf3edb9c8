#pragma once

#include "PathMappingStore.h"

#include <QObject>
#include <QString>

#include <vector>

namespace korvex {

/// The program's one list of path mappings, as every window and dialog sees it: the stored
/// list (see PathMappingStore), changed only through here, so that every change is heard by
/// all (`changed`) and merged with what others changed meanwhile, never saved over it.
/// GUI thread only.
class SharedPathMappings : public QObject {
    Q_OBJECT
public:
    static SharedPathMappings* instance();

    /// Adds `mapping` to the stored list, unless it holds it already.
    bool add(const PathMapping& mapping, QString& error);
    /// Stores, in `store`, the edits that turned `base` into `edited` (see
    /// PathMappingStore::saveEdits); `stored` receives the list saved.
    bool saveEdits(const PathMappingStore& store, const std::vector<PathMapping>& base,
                   const std::vector<PathMapping>& edited, QString& error,
                   std::vector<PathMapping>* stored = nullptr);

signals:
    /// The stored list has changed (by a window or dialog of this program).
    void changed();
};

} // namespace korvex
