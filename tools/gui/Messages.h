#pragma once

#include <string>

// The user's language for everything the program shows. English texts are the keys; a text
// the user's language has no translation for stays English. UTF-8 in and out.

// Chooses the catalog once, before the first text is looked up.
void chooseLanguage();

// The text in the user's language.
std::string translate(const char* english);

// The text in the user's language with its "%s" replaced by value (a container name or a site,
// shown as it came, never read as a format).
std::string translate(const char* english, const std::string& value);
