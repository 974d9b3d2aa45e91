#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <rapidjson/document.h>

#include "CCHttpClient.h"

// The terminal's HTTP requests and the readers of their responses. The builders put a request on the
// engine's HTTP client (which retains it and the callback target until the response is delivered)
// and add no retry or time-out of their own: callers retry by sending again. The readers log every
// failure in one place and return false. Main thread only; responses arrive on the main thread.

// Server lists are scanned for URLs with this pattern (ECMAScript grammar): a scheme, a dotted host,
// at most "/" and one character of path, an optional port, and the letters glued to either end.
constexpr const char* URL_PATTERN =
    "[[:alpha:]]*"
    "http(s)?://([\\w-]+\\.)+[\\w-]+(/[\\w./?%&=*-])?(:\\d{1,5})?"
    "[[:alpha:]]*";

constexpr const char* JSON_CONTENT_TYPE_HEADER = "Content-Type: application/json; charset=utf-8";

// POST of count bytes.
bool httpPost(const void* bytes, size_t count, const std::string& url, const std::string& tag,
              cocos2d::CCObject* target, cocos2d::SEL_HttpResponse selector);
// POST of a text body with one extra header line when headerLine is not empty.
bool httpPostWithHeader(const std::string& url, const std::string& tag, cocos2d::CCObject* target,
                        cocos2d::SEL_HttpResponse selector, const std::string& body,
                        const std::string& headerLine);
bool httpGet(const std::string& url, const std::string& tag, cocos2d::CCObject* target,
             cocos2d::SEL_HttpResponse selector);
// GET marked as a download, so the client reports its progress (CCHttpClient::getCurFileDownloadSize,
// getDownloadSpeed); the tag is empty.
bool httpDownload(const std::string& url, cocos2d::CCObject* target, cocos2d::SEL_HttpResponse selector);

// True when the transfer completed with a 2xx status. text receives the body whenever there is one.
bool responseToString(cocos2d::CCHttpResponse* response, std::string& text);
// Like responseToString, into bytes.
bool responseToBytes(cocos2d::CCHttpResponse* response, std::vector<unsigned char>& bytes);
// Parses text into document (iteratively, so deep nesting cannot exhaust the stack). A syntax error is
// logged and still returns true with the document in its error state (not an object): callers check
// the type before reading members.
bool parseJson(const std::string& text, rapidjson::Document& document);
// responseToString, then parseJson of the body.
bool responseToJson(cocos2d::CCHttpResponse* response, rapidjson::Document& document);
// Appends every URL_PATTERN match of the body, left to right, to urls (which is not cleared first).
// True whenever the body could be read, also when nothing matched.
bool responseToUrlList(cocos2d::CCHttpResponse* response, std::vector<std::string>& urls);
// The URL_PATTERN matches of a text, left to right. A run of more than 512 characters that a URL may
// contain is skipped with a log line: the standard matcher recurses per character.
std::vector<std::string> findUrls(const std::string& text);
