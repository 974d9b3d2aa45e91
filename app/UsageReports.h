#pragma once

#include <functional>
#include <string>

#include "GetSysInfo.h"

// The start-up reports and the upload of crash dumps left by earlier runs. Reports are sent once per
// start and never retried; a dump stays on disk until an upload of it is answered "success".
// Main thread only (the system information is collected on a worker of its own).

constexpr const char* RUN_REPORT_PLATFORM_KEY = "platform";

// The installation report for info: members "disPlayCard", "sysVer", "phymem", "virmem", "ip",
// "mac", "cpu", "platform", in that order, compact. Logged as "sys info:%s".
std::string buildSysInfoJson(const GetSysInfo& info);
// POST of body (the installation report) to "sendInstallInfoUrl".
void sendInstallReport(const std::string& body);
// POST of {"platform":<tag>} to "sendAppRunUrl".
void sendAppRunReport();

// Collects the system information on a worker from sources, then (on the main thread) sends the
// installation report when withInstallReport, and the run report after it.
void sendUsageReports(bool withInstallReport, SysInfoSources sources);
// The same with the real machine's sources and the engine's GL renderer name.
void sendUsageReports(bool withInstallReport);

// Uploads every "*.dmp" in the writable folder, in listing order.
void uploadPendingDumps();
// Uploads one file to "sendLogUrl" + "/?fileName=" + the encoded name; the file is deleted when the
// answer is exactly "success". An empty or unreadable file is not sent.
void sendLog(const std::string& path, const std::string& fileName);
// The same, then done with whether the upload was accepted (false at once when nothing was sent).
void sendLog(const std::string& path, const std::string& fileName, std::function<void(bool sent)> done);

// Every byte but the unreserved ones (letters, digits, "-._~") as %XX.
std::string percentEncode(const std::string& text);
