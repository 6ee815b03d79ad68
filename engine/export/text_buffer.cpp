#include "engine/export/text_buffer.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

TextBuffer::TextBuffer(int capacity) {
    data_ = static_cast<char*>(std::malloc(static_cast<std::size_t>(std::max(capacity, 1))));
    capacity_ = data_ != nullptr ? std::max(capacity, 1) : 0;
    Clear();
}

TextBuffer::~TextBuffer() {
    std::free(data_);
}

bool TextBuffer::Grow(long long needed) {
    long long capacity = needed + std::max(needed / 16, 128LL);
    if (capacity > INT_MAX) {
        return false;
    }
    char* grown = static_cast<char*>(std::realloc(data_, static_cast<std::size_t>(capacity)));
    if (grown == nullptr) {
        return false;
    }
    data_ = grown;
    capacity_ = static_cast<int>(capacity);
    return true;
}

void TextBuffer::Clear() {
    length_ = 0;
    if (data_ != nullptr) {
        data_[0] = '\0';
    }
}
