#include "QtTextCatalog.h"

#include <QTranslator>

#include <climits>

namespace korvex {

QtTextCatalog::QtTextCatalog(const QTranslator* translator, std::string language)
    : translator_(translator), language_(std::move(language)) {}

std::string QtTextCatalog::language() const {
    return language_;
}

std::string QtTextCatalog::lookUp(const char* context, const char* source, const char* comment,
                                  std::int64_t n) const {
    if (!translator_) {
        return {};
    }
    // Qt's plural rules take an int; beyond it, the form of the largest int is as good.
    const int count = n < 0 ? -1 : n > INT_MAX ? INT_MAX : static_cast<int>(n);
    return translator_->translate(context, source, comment, count).toStdString();
}

} // namespace korvex
