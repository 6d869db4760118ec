#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace talbrix {

// JSON written as it goes: objects and arrays opened and closed by hand,
// commas put in where they belong, strings escaped (the text as bytes, UTF-8
// passed through). For the page, which takes the form and the run's tables
// as JSON.
class JsonWriter {
public:
    std::string take() { return std::move(m_text); }

    JsonWriter &key(const char *name)
    {
        separate();
        string(name);
        m_text += ':';
        m_needsComma = false;
        return *this;
    }
    JsonWriter &open(char bracket)
    {
        separate();
        m_text += bracket;
        m_needsComma = false;
        return *this;
    }
    JsonWriter &close(char bracket)
    {
        m_text += bracket;
        m_needsComma = true;
        return *this;
    }
    JsonWriter &value(const char *text)
    {
        separate();
        if (text)
            string(text);
        else
            m_text += "null";
        m_needsComma = true;
        return *this;
    }
    JsonWriter &value(const std::string &text)
    {
        separate();
        string(text);
        m_needsComma = true;
        return *this;
    }
    JsonWriter &value(std::uint64_t number)
    {
        separate();
        m_text += std::to_string(number);
        m_needsComma = true;
        return *this;
    }
    // A rectangle of the form's table: [left, top, width, height].
    template <typename Rect>
    JsonWriter &rect(const Rect &r)
    {
        key("rect").open('[').value(r.left).value(r.top).value(r.width).value(r.height).close(']');
        return *this;
    }
    JsonWriter &null()
    {
        separate();
        m_text += "null";
        m_needsComma = true;
        return *this;
    }
    JsonWriter &value(int number)
    {
        separate();
        m_text += std::to_string(number);
        m_needsComma = true;
        return *this;
    }
    JsonWriter &value(bool flag)
    {
        separate();
        m_text += flag ? "true" : "false";
        m_needsComma = true;
        return *this;
    }

private:
    void separate()
    {
        if (m_needsComma)
            m_text += ',';
    }
    void string(std::string_view text)
    {
        m_text += '"';
        for (const char byte : text) {
            const auto c = static_cast<unsigned char>(byte);
            if (c == '"' || c == '\\') {
                m_text += '\\';
                m_text += static_cast<char>(c);
            } else if (c < 0x20) {
                constexpr const char *hex = "0123456789abcdef";
                m_text += "\\u00";
                m_text += hex[c >> 4];
                m_text += hex[c & 15];
            } else {
                m_text += static_cast<char>(c);
            }
        }
        m_text += '"';
    }

    std::string m_text;
    bool m_needsComma = false;
};

} // namespace talbrix
