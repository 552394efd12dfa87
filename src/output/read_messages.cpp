#include "output/read_messages.h"

namespace pm {

const char* const kCountRefusedMessage =
    "仪表返回的记录数无效(应为0到10000)，未读取任何记录。\r请再按读取。";
const char* const kReadMessageTitle = "读取";

std::string recordListText(const std::vector<int>& records) {
    std::string text;
    for (std::size_t k = 0; k < records.size();) {
        std::size_t end = k + 1;  // one past the run that starts at k
        while (end < records.size() && records[end] == records[end - 1] + 1) {
            ++end;
        }
        auto add = [&text](int n) { text += (text.empty() ? "" : ", ") + std::to_string(n); };
        if (end - k >= 3) {
            add(records[k]);
            text += "-" + std::to_string(records[end - 1]);
        } else {
            for (std::size_t j = k; j < end; ++j) {
                add(records[j]);
            }
        }
        k = end;
    }
    return text;
}

std::string missingRecordsMessage(const std::vector<int>& records) {
    // A box has room for a few lines of numbers; a flaky line may leave thousands.
    constexpr std::size_t kLongest = 300;
    std::string list = recordListText(records);
    if (list.size() > kLongest) {
        list = list.substr(0, list.rfind(", ", kLongest)) + ", …";
    }
    return "仪表对以下" + std::to_string(records.size()) +
           "条记录两次都没有应答，表中这些记录为空：\r" + list + "\r其余记录已读入。";
}

}  // namespace pm
