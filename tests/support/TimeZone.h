#pragma once
// Runs a scope in another time zone (TZ) and puts the old one back after it.

#include <cstdlib>
#include <ctime>
#include <string>

class ZoneScope {
public:
    explicit ZoneScope(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            m_old = old;
            m_had = true;
        }
        Set(zone);
    }
    ~ZoneScope() { Set(m_had ? m_old.c_str() : nullptr); }
    ZoneScope(const ZoneScope&) = delete;
    ZoneScope& operator=(const ZoneScope&) = delete;

private:
    // Null removes TZ.
    static void Set(const char* zone) {
#ifdef _WIN32
        _putenv_s("TZ", zone != nullptr ? zone : "");
        _tzset();
#else
        zone != nullptr ? ::setenv("TZ", zone, 1) : ::unsetenv("TZ");
        ::tzset();
#endif
    }

    std::string m_old;
    bool m_had = false;
};
