#pragma once

#include "TextCatalog.h"

#include <string>

class QTranslator;

namespace korvex {

/// The engine's texts looked up in a Qt translation catalogue (.qm), with Qt's plural rules of
/// its language. Without a translator, or for a text it lacks, the English source.
class QtTextCatalog : public TextCatalog {
public:
    /// `translator` (may be null) must outlive the catalogue; `language` is its ISO 639 code.
    QtTextCatalog(const QTranslator* translator, std::string language);

    std::string language() const override;

protected:
    std::string lookUp(const char* context, const char* source, const char* comment,
                       std::int64_t n) const override;

private:
    const QTranslator* translator_;
    std::string language_;
};

} // namespace korvex
