# The libraries the core links, all from Debian packages (scripts/install-deps.sh).
if(NOT MAILMOAT_CORE_TARGET)
  set(MAILMOAT_CORE_TARGET mailmoat_core)
endif()
find_package(PkgConfig REQUIRED)
pkg_check_modules(NETTLE REQUIRED IMPORTED_TARGET nettle)
pkg_check_modules(PCRE2 REQUIRED IMPORTED_TARGET libpcre2-8)
pkg_check_modules(CARES REQUIRED IMPORTED_TARGET libcares)
pkg_check_modules(LIBSECRET REQUIRED IMPORTED_TARGET libsecret-1)
find_package(OpenSSL REQUIRED)
find_package(SQLite3 REQUIRED)
target_link_libraries(${MAILMOAT_CORE_TARGET} PUBLIC
  PkgConfig::NETTLE PkgConfig::PCRE2 PkgConfig::CARES PkgConfig::LIBSECRET OpenSSL::SSL OpenSSL::Crypto SQLite::SQLite3)
