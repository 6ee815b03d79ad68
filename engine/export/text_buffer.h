#pragma once
// TextBuffer: a growable byte buffer into which the export writers append
// their lines before the driver writes them to the file.
//
//   TextBuffer event(65536);
//   event.Append("BEGIN:VEVENT\r\n");
//   WriteBuffer(event.Data(), event.Length());

#include <cstring>
#include <string_view>

class TextBuffer {
public:
    explicit TextBuffer(int capacity);
    ~TextBuffer();
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    // Copies the text (which holds no zero byte) to the end. When it does not
    // fit, the buffer grows to the needed size plus a sixteenth of it (at
    // least 128 bytes); if that fails the text is dropped and false returned.
    // Inline: the writers append several short texts for every line.
    bool Append(std::string_view text) {
        const long long needed =
            static_cast<long long>(length_) + static_cast<long long>(text.size());
        if (needed + 1 > capacity_ && !Grow(needed)) {
            return false;
        }
        std::memcpy(data_ + length_, text.data(), text.size());
        length_ = static_cast<int>(needed);
        data_[length_] = '\0';
        return true;
    }
    // The content ends with a zero byte, so that Data() is also a C text.
    const char* Data() const { return data_ != nullptr ? data_ : ""; }
    int Length() const { return length_; }
    bool Empty() const { return length_ == 0; }
    std::string_view View() const { return {Data(), static_cast<std::size_t>(length_)}; }
    // Keeps the memory for the next text.
    void Clear();

private:
    bool Grow(long long needed);

    int capacity_ = 0;
    char* data_ = nullptr;
    int length_ = 0;
};
