#pragma once
// CLang: the loaded language file, an INI file beside the add-in that holds
// every text the user sees. Its "version" section carries the signature
// "Orvane.LangIniFile", the language's name ("lang") and identifier
// ("langid", for example EN); the system's texts live in the default section
// ("Quillane.dll"), each dialog's texts in "Quillane.dll.<dialog section>".
//
// Values may hold escapes: \n, \r and \t stand for LF, CR and TAB, a
// backslash before any other character stands for that character, and a
// backslash at the very end is dropped.

#include <string>

// The default section: named after the add-in module.
inline constexpr const char* kLangDefaultSection = "Quillane.dll";

class CLang {
public:
    CLang();
    virtual ~CLang();

    // Reads the "version" section; true only when the signature matches
    // (without regard to case) and both "lang" and "langid" are non-empty.
    static bool ReadHeader(const std::string& path, std::string& lang, std::string& langid);

    // Clears the object, then keeps the file and its default section when its
    // header is valid.
    bool Load(const std::string& path, const std::string& defaultSection);

    // Clears the object, then loads the first file of the folder matching the
    // mask (without regard to case; "*" and "?" as in Windows masks) whose
    // header is valid and whose langid equals the one asked for (without
    // regard to case), in the order the file system lists them.
    bool FindByLangId(const std::string& langid, const std::string& folder, const std::string& mask,
                      const std::string& defaultSection);

    void Clear();

    // The unescaped value of key in the default section, or with a suffix in
    // the section "<default section>.<suffix>". An absent value gives an
    // empty text, found false and, when asked, a warning in the log; a value
    // present but empty counts as found.
    std::string text(const char* key, const char* suffix, bool* found, bool logIfMissing) const;
    // The everyday look-up, logging missing values.
    std::string text(const char* key, const char* suffix = nullptr) const;

    // The value read as a sum of signed whole numbers ("10 - 3" gives 7); an
    // absent, empty or numberless value gives the default, and so does a
    // malformed one ("3 4"), which is also logged.
    int integer(const char* key, const char* suffix, int defaultValue) const;

    bool IsLoaded() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }
    const char* Lang() const { return lang_; }
    const char* LangId() const { return langid_; }
    const std::string& DefaultSection() const { return defaultSection_; }

private:
    std::string SectionName(const char* suffix) const;

    static constexpr std::size_t kNameSize = 128;
    std::string path_;
    char lang_[kNameSize];
    char langid_[kNameSize];
    std::string defaultSection_;
};

// The process-wide language object, alive until the process ends. It answers
// LanguageText (support/language_text.h) from the time it is first used.
CLang& TheLang();
