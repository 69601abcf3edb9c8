#include "BookmarkWriter.h"

#include "BookmarkBytes.h"
#include "BookmarkKeys.h"
#include "TypeBinding.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <map>
#include <string>
#include <string_view>

namespace korvex::bookmark {

namespace {

using bytes::putLe32;

/// Creation option "suitable for a bookmark file": what an alias file needs.
constexpr std::int64_t bookmarkCreationOption = 1024;

/// One record or table to be placed in the data area.
struct Node {
    std::uint64_t order = 0; ///< place in the file (source offset, or after the old records)
    std::size_t sequence = 0;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> payload; ///< with child references still to be filled in
    std::vector<std::pair<std::size_t, std::size_t>> references; ///< payload position, node
    std::size_t table = SIZE_MAX;                                ///< index of a table node
    std::uint32_t offset = 0;
};

std::uint32_t padded(std::size_t n) {
    return std::uint32_t((n + 3) & ~std::size_t(3));
}

/// Lays out the data area. Records read from bookmark data keep their old order and sharing
/// (same source offset and content: one record); new records with equal content share one
/// record too, as macOS does.
class Layout {
public:
    explicit Layout(const Bookmark& bookmark) : bookmark_(bookmark) {
        std::uint64_t firstOldTable = std::numeric_limits<std::uint32_t>::max();
        for (const BookmarkTable& t : bookmark.tables) {
            if (t.sourceOffset != 0)
                firstOldTable = std::min<std::uint64_t>(firstOldTable, t.sourceOffset);
        }
        newRecordOrder_ = firstOldTable * 2 - 1;
    }

    std::vector<std::uint8_t> build() {
        const std::vector<BookmarkTable>& tables = bookmark_.tables;
        std::vector<std::vector<std::size_t>> valueNodes(tables.size());
        std::vector<std::vector<std::size_t>> nameNodes(tables.size());
        for (std::size_t i = 0; i < tables.size(); ++i) {
            // Entries of one table with the same name share its first name record: equal key
            // words, which the sort keeps in table order, so the first stays the one found.
            std::map<std::string, std::size_t> names;
            for (const BookmarkEntry& e : tables[i].entries) {
                if (e.key.named) {
                    auto [it, added] = names.try_emplace(e.key.name, 0);
                    if (added) {
                        BookmarkValue name = BookmarkValue::makeString(e.key.name);
                        name.setSourceOffset(e.key.nameSourceOffset);
                        it->second = intern(name);
                    }
                    nameNodes[i].push_back(it->second);
                } else {
                    nameNodes[i].push_back(SIZE_MAX);
                }
                valueNodes[i].push_back(intern(e.value));
            }
        }
        std::vector<std::size_t> tableNodes;
        for (std::size_t i = 0; i < tables.size(); ++i) {
            Node node;
            // New tables go last, in reverse chain order: the first table ends the data.
            node.order = tables[i].sourceOffset != 0
                             ? std::uint64_t(tables[i].sourceOffset) * 2
                             : (std::uint64_t(1) << 40) + (tables.size() - i);
            node.type = recordType::toc;
            node.table = i;
            node.payload.resize(12 + 12 * tables[i].entries.size());
            tableNodes.push_back(add(std::move(node)));
        }

        std::vector<std::size_t> order(nodes_.size());
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return nodes_[a].order != nodes_[b].order ? nodes_[a].order < nodes_[b].order
                                                      : nodes_[a].sequence < nodes_[b].sequence;
        });
        std::uint64_t offset = 4;
        for (std::size_t i : order) {
            nodes_[i].offset = std::uint32_t(offset);
            offset += 8 + padded(nodes_[i].payload.size());
        }

        for (std::size_t i = 0; i < tables.size(); ++i)
            fillTable(nodes_[tableNodes[i]], tables[i], valueNodes[i], nameNodes[i],
                      i + 1 < tables.size() ? nodes_[tableNodes[i + 1]].offset : 0);

        std::vector<std::uint8_t> area;
        area.reserve(offset);
        putLe32(area, tables.empty() ? 0 : nodes_[tableNodes[0]].offset);
        for (std::size_t i : order) {
            Node& node = nodes_[i];
            for (auto [at, child] : node.references)
                bytes::setLe32(node.payload, at, nodes_[child].offset);
            putLe32(area, std::uint32_t(node.payload.size())); // a table's size: 12 + 12n
            putLe32(area, node.type);
            area.insert(area.end(), node.payload.begin(), node.payload.end());
            area.resize(area.size() + padded(node.payload.size()) - node.payload.size(), 0);
        }
        return area;
    }

private:
    std::size_t add(Node node) {
        node.sequence = nodes_.size();
        nodes_.push_back(std::move(node));
        return nodes_.size() - 1;
    }

    std::size_t intern(const BookmarkValue& value) {
        Node node;
        node.type = value.type();
        node.order =
            value.sourceOffset() != 0 ? std::uint64_t(value.sourceOffset()) * 2 : newRecordOrder_;
        encode(value, node);

        // Identity: where it came from, its type, its bytes and its children (by node index,
        // all in one byte order whatever the host's). References are still 0 in the payload.
        std::vector<std::uint8_t> identity;
        bytes::putLe64(identity, node.order);
        putLe32(identity, node.type);
        bytes::putLe64(identity, node.references.size());
        for (auto [at, child] : node.references)
            bytes::putLe64(identity, child);
        identity.insert(identity.end(), node.payload.begin(), node.payload.end());
        auto [it, inserted] = interned_.try_emplace(std::move(identity), nodes_.size());
        if (inserted)
            add(std::move(node));
        return it->second;
    }

    void encode(const BookmarkValue& value, Node& node) {
        std::vector<std::uint8_t>& out = node.payload;
        switch (value.kind()) {
        case BookmarkValueKind::string:
        case BookmarkValueKind::url:
            out.assign(value.text().begin(), value.text().end());
            break;
        case BookmarkValueKind::data:
        case BookmarkValueKind::uuid:
        case BookmarkValueKind::unknown:
            out = value.bytes();
            break;
        case BookmarkValueKind::integer: {
            std::size_t n = bytes::numberSize(value.type() & 0xFF);
            for (std::size_t i = 0; i < n; ++i)
                out.push_back(std::uint8_t(std::uint64_t(value.integer()) >> (8 * i)));
            break;
        }
        case BookmarkValueKind::real:
            if (bytes::numberSize(value.type() & 0xFF) == 4)
                putLe32(out, std::bit_cast<std::uint32_t>(float(value.real())));
            else
                bytes::putLe64(out, std::bit_cast<std::uint64_t>(value.real()));
            break;
        case BookmarkValueKind::date:
            bytes::putBe64(out, std::bit_cast<std::uint64_t>(value.real()));
            break;
        case BookmarkValueKind::array:
        case BookmarkValueKind::dictionary:
        case BookmarkValueKind::relativeUrl: {
            // Children first: new ones then sit before the record that lists them.
            std::vector<std::size_t> children;
            for (const BookmarkValue& item : value.items())
                children.push_back(intern(item));
            for (std::size_t child : children) {
                node.references.emplace_back(out.size(), child);
                putLe32(out, 0);
            }
            break;
        }
        case BookmarkValueKind::boolean:
        case BookmarkValueKind::null:
            break;
        }
    }

    void fillTable(Node& node, const BookmarkTable& table, const std::vector<std::size_t>& values,
                   const std::vector<std::size_t>& names, std::uint32_t next) {
        struct Row {
            std::uint32_t key, offset;
        };
        std::vector<Row> rows;
        for (std::size_t i = 0; i < table.entries.size(); ++i) {
            const BookmarkKey& k = table.entries[i].key;
            std::uint32_t code =
                k.named ? (key::namedKeyBit | (nodes_[names[i]].offset & ~key::namedKeyBit))
                        : k.code;
            rows.push_back(Row{code, nodes_[values[i]].offset});
        }
        std::stable_sort(rows.begin(), rows.end(),
                         [](const Row& a, const Row& b) { return a.key < b.key; });
        std::vector<std::uint8_t> out;
        putLe32(out, table.id);
        putLe32(out, next);
        putLe32(out, std::uint32_t(rows.size()));
        for (const Row& r : rows) {
            putLe32(out, r.key);
            putLe32(out, r.offset);
            putLe32(out, 0);
        }
        node.payload = std::move(out);
    }

    const Bookmark& bookmark_;
    std::uint64_t newRecordOrder_ = 0;
    std::vector<Node> nodes_;
    std::map<std::vector<std::uint8_t>, std::size_t> interned_;
};

std::vector<std::uint8_t> freshHeader(BookmarkContainer container, double created) {
    // Zeros of the whole size first, then the tags: growing a vector just assigned from a short
    // list made GCC 12 warn of a copy past its end that never happens (-Warray-bounds).
    std::vector<std::uint8_t> h;
    const auto tag = [&h](std::size_t at, std::string_view text) {
        std::copy(text.begin(), text.end(), h.begin() + static_cast<std::ptrdiff_t>(at));
    };
    switch (container) {
    case BookmarkContainer::aliasFile:
        h.assign(56, 0);
        tag(0, "book");
        tag(8, "mark");
        bytes::setLe32(h, 28, 0x10040000);
        for (int i = 0; i < 8; ++i)
            h[40 + i] = std::uint8_t(std::bit_cast<std::uint64_t>(created) >> (8 * i));
        break;
    case BookmarkContainer::raw:
        h.assign(48, 0);
        tag(0, "book");
        bytes::setLe32(h, 8, 0x10040000);
        break;
    case BookmarkContainer::legacy:
        h.assign(16, 0);
        tag(0, "book");
        bytes::setLe32(h, 8, 0x10010000);
        break;
    }
    return h;
}

std::size_t headerLength(BookmarkContainer container) {
    switch (container) {
    case BookmarkContainer::aliasFile:
        return 56;
    case BookmarkContainer::raw:
        return 48;
    case BookmarkContainer::legacy:
        return 16;
    }
    return 48;
}

} // namespace

std::vector<std::uint8_t> BookmarkWriter::serialise(const Bookmark& bookmark) {
    std::size_t length = headerLength(bookmark.container);
    std::vector<std::uint8_t> out =
        bookmark.header.size() == length ? bookmark.header : freshHeader(bookmark.container, 0);
    std::vector<std::uint8_t> area = Layout(bookmark).build();
    if (bookmark.container == BookmarkContainer::aliasFile) {
        bytes::setLe32(out, 16, 56);
        bytes::setLe32(out, 20, 56);
        bytes::setLe32(out, 24, std::uint32_t(area.size()));
    } else {
        bytes::setLe32(out, 4, std::uint32_t(length + area.size()));
        bytes::setLe32(out, 12, std::uint32_t(length));
    }
    out.insert(out.end(), area.begin(), area.end());
    return out;
}

std::vector<std::uint8_t> BookmarkWriter::write(const BookmarkInfo& info,
                                                BookmarkContainer container, double created) {
    BookmarkInfo complete = info;
    if (!complete.creationOptions)
        complete.creationOptions = bookmarkCreationOption;
    if (!complete.wasFileIDFormat)
        complete.wasFileIDFormat = true;
    // macOS stores a type binding for files and folders; made here when the flags say which.
    const auto& props = complete.resourceProps;
    if (!complete.typeBindingData && !complete.pathComponents.empty() && props &&
        ((*props)[1] & 0x3) == 0x3)
        complete.typeBindingData = TypeBinding::forItem(
            complete.pathComponents.back(), ((*props)[0] & 0x2) != 0, !complete.bootVolume);
    Bookmark bookmark;
    bookmark.container = container;
    bookmark.header = freshHeader(container, created);
    complete.applyTo(bookmark);
    return serialise(bookmark);
}

std::vector<std::uint8_t> BookmarkWriter::update(const Bookmark& previous,
                                                 const BookmarkInfo& fresh) {
    Bookmark bookmark = previous;
    fresh.applyTo(bookmark);
    return serialise(bookmark);
}

} // namespace korvex::bookmark
