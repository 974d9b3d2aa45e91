# The terminal's built-in server addresses come from the local feed's defaults file, the one place
# that names the feed's host, ports and endpoint paths (the table packer reads it too). Included by
# core/CMakeLists.txt after zento_core exists; writes FeedDefaults.h into the build folder.
set(FEED_DEFAULTS_JSON ${CMAKE_SOURCE_DIR}/feed/defaults.json)
if(NOT EXISTS ${FEED_DEFAULTS_JSON})
    message(FATAL_ERROR "${FEED_DEFAULTS_JSON} is missing: the built-in server addresses come from it")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${FEED_DEFAULTS_JSON})

file(READ ${FEED_DEFAULTS_JSON} feed_json)
string(JSON FEED_HOST GET "${feed_json}" host)
string(JSON FEED_HTTP_PORT GET "${feed_json}" httpPort)
string(JSON FEED_NEWS_PORT GET "${feed_json}" newsPort)
string(JSON FEED_NEWS_PASSWORD GET "${feed_json}" newsPassword)
# The server-list scan keeps only URLs with a dotted host ("localhost" never matches).
if(NOT FEED_HOST MATCHES "\\.")
    message(FATAL_ERROR "feed host \"${FEED_HOST}\" must be a dotted address such as 127.0.0.1")
endif()

set(FEED_ENDPOINT_LINES "")
# Endpoints that have a configuration key, as {key, path}: "--feed HOST:PORT" moves all of them.
set(FEED_CONFIG_ENDPOINT_LINES "")
string(JSON endpoint_count LENGTH "${feed_json}" endpoints)
math(EXPR last_endpoint "${endpoint_count} - 1")
foreach(index RANGE ${last_endpoint})
    string(JSON name MEMBER "${feed_json}" endpoints ${index})
    string(JSON server GET "${feed_json}" endpoints ${name} server)
    string(JSON endpoint_path GET "${feed_json}" endpoints ${name} path)
    if(server STREQUAL "http")
        set(port ${FEED_HTTP_PORT})
    elseif(server STREQUAL "news")
        set(port ${FEED_NEWS_PORT})
    else()
        message(FATAL_ERROR "feed endpoint ${name}: unknown server \"${server}\"")
    endif()
    string(REGEX REPLACE "([a-z0-9])([A-Z])" "\\1_\\2" constant "${name}")
    string(TOUPPER "${constant}" constant)
    set(url "http://${FEED_HOST}:${port}${endpoint_path}")
    string(APPEND FEED_ENDPOINT_LINES "inline constexpr const char* FEED_${constant}_URL = \"${url}\";\n")
    string(JSON config_key_type TYPE "${feed_json}" endpoints ${name} configKey)
    if(config_key_type STREQUAL "STRING")
        string(JSON config_key GET "${feed_json}" endpoints ${name} configKey)
        # "@url": the key is the endpoint's own built-in URL.
        if(config_key STREQUAL "@url")
            set(config_key "${url}")
        endif()
        # One address names the feed on the command line, its HTTP server's.
        if(NOT server STREQUAL "http")
            message(FATAL_ERROR "feed endpoint ${name}: a configuration key needs the http server")
        endif()
        string(APPEND FEED_CONFIG_ENDPOINT_LINES "    {\"${config_key}\", \"${endpoint_path}\"},\n")
    endif()
endforeach()

configure_file(${CMAKE_CURRENT_LIST_DIR}/FeedDefaults.h.in
    ${CMAKE_CURRENT_BINARY_DIR}/generated/FeedDefaults.h @ONLY)
target_include_directories(zento_core PUBLIC ${CMAKE_CURRENT_BINARY_DIR}/generated)
