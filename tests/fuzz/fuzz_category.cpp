// Category entries: any 540 bytes decode and encode back to the same bytes;
// the texts keep their widths and store back unchanged.

#include "FuzzSupport.h"

#include "store/CategoryFile.h"

#include <cstring>

using fnk::store::CategoryEntry;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    char in[CategoryEntry::kSize];
    std::memset(in, ' ', sizeof in);
    std::memcpy(in, data, std::min(size, sizeof in));

    const CategoryEntry e = CategoryEntry::decode(in);
    char out[CategoryEntry::kSize];
    e.encode(out);
    FUZZ_CHECK(std::memcmp(in, out, sizeof in) == 0);

    FUZZ_CHECK(e.categoryCodeText().size() == qsizetype(CategoryEntry::kCodeWidth));
    FUZZ_CHECK(e.categoryNameText().size() == qsizetype(CategoryEntry::kNameWidth));
    FUZZ_CHECK(e.categoryDescriptionText().size() == qsizetype(CategoryEntry::kDescriptionWidth));

    CategoryEntry copy = e;
    copy.setCategoryCode(e.categoryCodeText());
    copy.setCategoryName(e.categoryNameText());
    copy.setCategoryDescription(e.categoryDescriptionText());
    copy.encode(out);
    FUZZ_CHECK(std::memcmp(in, out, sizeof in) == 0);

    // Texts given to the setters are cut at the width and never spill into
    // the next field; the reserved bytes are carried as read.
    if (size > CategoryEntry::kSize) {
        const QString extra = QString::fromUtf8(reinterpret_cast<const char*>(data) + CategoryEntry::kSize,
                                                qsizetype(size - CategoryEntry::kSize));
        copy.setCategoryCode(extra);
        copy.setCategoryName(extra);
        copy.encode(out);
        FUZZ_CHECK(std::memcmp(in + CategoryEntry::kCategoryDescription,
                               out + CategoryEntry::kCategoryDescription,
                               CategoryEntry::kSize - CategoryEntry::kCategoryDescription)
                   == 0);
        FUZZ_CHECK(CategoryEntry::decode(out).categoryCodeText() == copy.categoryCodeText());
        FUZZ_CHECK(copy.categoryCodeText().size() == qsizetype(CategoryEntry::kCodeWidth));
        FUZZ_CHECK(copy.categoryNameText().size() == qsizetype(CategoryEntry::kNameWidth));
    }
    return 0;
}
