#include "UpdateClient.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>

#include "ArchiveDownload.h"
#include "CCDirector.h"
#include "CCEGLView.h"
#include "CCFileUtils.h"
#include "CDebugModule.h"
#include "ConfigTable.h"
#include "ExecutableFile.h"
#include "FileHelpers.h"
#include "HttpHelpers.h"
#include "LanguageTable.h"
#include "UpdateHost.h"
#include "UpdatePanel.h"

USING_NS_CC;

namespace {
const ccColor3B DIALOG_COLOUR = {23, 27, 41};

int clampToInt(double value) {
    return value != value ? 0 : static_cast<int>(std::clamp(value, double(INT_MIN), double(INT_MAX)));
}
}  // namespace

UpdateClient* UpdateClient::create(UpdateHost* host, std::string programFolder, std::string writableFolder) {
    auto* client = new UpdateClient();
    if (!client->init()) {
        delete client;
        return nullptr;
    }
    client->host_ = host;
    client->programFolder_ = std::move(programFolder);
    client->writableFolder_ = std::move(writableFolder);
    client->launcher_ = [](const std::vector<std::string>& argv) {
        return CCEGLView::sharedOpenGLView()->callUpdate(argv);
    };
    client->ender_ = [] { CCDirector::sharedDirector()->end(); };
    client->autorelease();
    return client;
}

UpdateClient::~UpdateClient() = default;

bool UpdateClient::isFolderWritable(const std::string& folder) {
    std::string probe = folder + ".write-test-XXXXXX";
    const int fd = mkstemp(probe.data());
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

void UpdateClient::start() {
    if (!isFolderWritable(programFolder_)) {
        logInfo("program folder %s is not writable: the package manager updates this installation",
                programFolder_.c_str());
        scheduleOnce([this](float) { host_->finishConnecting(false); }, CHECK_DELAY, "versionCheck");
        return;
    }
    ensureUpdaterPresent();
    scheduleOnce([this](float) { checkForUpdate(); }, CHECK_DELAY, "versionCheck");
}

void UpdateClient::checkForUpdate() {
    httpGet(getConfigValue(CONFIG_KEY_VERSION_FILE_URL, DEFAULT_VERSION_FILE_URL), "", this,
            httpresponse_selector(UpdateClient::onVersionFile));
}

void UpdateClient::onVersionFile(CCHttpClient*, CCHttpResponse* response) {
    if (!getParent()) return;
    logInfo("CheckForUpdateCallback------");
    rapidjson::Document document;
    if (!responseToJson(response, document)) {
        ++checkFailures_;
        if (checkFailures_ > 1) {
            logError("Check for update failed for %d times!!", checkFailures_);
            host_->finishConnecting(false);
            return;
        }
        scheduleOnce([this](float) { checkForUpdate(); }, float(CHECK_RETRY_SECONDS), "versionCheck");
        logError("CheckForUpdate error! will try after %d second!!!!", CHECK_RETRY_SECONDS);
        host_->showToast(getLangTextOrDefault("retryUpdate", "retryUpdate"));
        return;
    }
    const VersionFile version = VersionFile::parse(document);
    // Only the switches the file names change; a missing one keeps its level as it is.
    CDebugModule* log = CDebugModule::getInstance();
    if (version.logInfoSwitch) log->setInfoEnabled(*version.logInfoSwitch);
    if (version.logWarnSwitch) log->setWarnEnabled(*version.logWarnSwitch);
    if (version.logErrorSwitch) log->setErrorEnabled(*version.logErrorSwitch);
    logInfo("server ver:%d, local ver:%d", version.ver, localVersion());
    if (version.ver <= localVersion() || !version.isUsableOffer()) {
        noUpdate();
        return;
    }
    offerUpdate(version);
}

void UpdateClient::noUpdate() {
    installWaitingUpdater();
    std::remove((writableFolder_ + ArchiveDownload::ARCHIVE_NAME).c_str());
    std::remove((writableFolder_ + ArchiveDownload::PART_NAME).c_str());
    host_->finishConnecting(false);
}

void UpdateClient::installWaitingUpdater() {
    const std::string waiting = programFolder_ + WAITING_UPDATER_NAME;
    auto bytes = CCFileUtils::sharedFileUtils()->getFileBytes(waiting);
    if (!bytes || bytes->empty()) return;
    // The running updater is replaced by rename only once its successor is complete.
    if (!installExecutable(programFolder_ + UPDATER_NAME, bytes->data(), bytes->size())) {
        logError("update Brevanix.exe failed!!!!!");
        return;
    }
    std::remove(waiting.c_str());
    logInfo("update Brevanix.exe finished!!!!!");
}

void UpdateClient::offerUpdate(const VersionFile& version) {
    host_->setLoadingVisible(false);
    for (const std::string& line : version.msg) logInfo("%s", line.c_str());
    archiveUrl_ = version.resurl;
    download_ = std::make_unique<ArchiveDownload>(writableFolder_, static_cast<uint64_t>(version.fileSize),
                                                  version.sha256);
    UpdatePanel::Choices choices;
    choices.update = [this] {
        panel_->showDownloading();
        scheduleOnce([this](float) { startUpdateDownload(); }, DOWNLOAD_START_DELAY, "download");
    };
    const bool force = version.force;
    choices.other = [this, force] {
        if (force) {
            logInfo("user selected exit when force update!!");
            ender_();
            return;
        }
        logInfo("user selected skip when need update!!");
        host_->finishConnecting(true);
        panel_->close();
        panel_ = nullptr;
    };
    panel_ = UpdatePanel::create(CCSize(DIALOG_WIDTH, DIALOG_HEIGHT), DIALOG_COLOUR, force, version.msg,
                                 std::move(choices));
    if (!panel_) {
        logError("the update dialog cannot be made: going on without update");
        host_->finishConnecting(false);
        return;
    }
    host_->dialogParent()->addChild(panel_, DIALOG_Z_ORDER);
    placeDialog();
    panel_->show();
}

void UpdateClient::placeDialog() {
    if (panel_) panel_->setPosition(host_->dialogCentre());
}

void UpdateClient::startUpdateDownload() {
    if (!download_ || !panel_) return;
    if (!isFolderWritable(programFolder_)) {
        logError("program folder %s is not writable: the update cannot be installed", programFolder_.c_str());
        std::remove(download_->partPath().c_str());
        showStatus("unableWriteFile");
        return;
    }
    if (!download_->prepare()) {
        showStatus("unableWriteFile");
        return;
    }
    keptAtRequest_ = download_->keptBytes();
    auto* request = new CCHttpRequest();
    request->setUrl(archiveUrl_.c_str());
    request->setRequestType(kHttpGet);
    request->setDownload(true);
    request->setHeaders(download_->requestHeaders());
    request->setMaxResponseSize(static_cast<size_t>(download_->maxResponseSize()));
    request->setResponseCallback(this, httpresponse_selector(UpdateClient::onArchive));
    CCHttpClient::getInstance()->send(request);
    request->release();
    progressTick(0);
    schedule(schedule_selector(UpdateClient::progressTick));
}

void UpdateClient::progressTick(float) {
    if (!download_ || !panel_) return;
    const double received = keptAtRequest_ + CCHttpClient::getCurFileDownloadSize();
    const double total = static_cast<double>(download_->fileSize());
    const double share = download_->shareOf(static_cast<uint64_t>(std::max(0.0, received)));
    panel_->setProgress(share);
    logInfo("download size:%d, total size:%d, speed:%d, percent:%f", clampToInt(received), clampToInt(total),
            clampToInt(CCHttpClient::getDownloadSpeed()), share);
}

void UpdateClient::onArchive(CCHttpClient*, CCHttpResponse* response) {
    unschedule(schedule_selector(UpdateClient::progressTick));
    if (!getParent() || !download_ || !panel_) return;
    ArchiveDownload::Answer answer;
    answer.status = response->getResponseCode();
    answer.complete = response->isSucceed();
    answer.tooLarge = response->isTooLarge();
    answer.body = response->getResponseData();
    const std::vector<char>& header = *response->getResponseHeader();
    answer.rangeStart = ArchiveDownload::contentRangeStart(std::string(header.begin(), header.end()));
    if (!answer.complete) logError("update archive: %s", response->getErrorBuffer());
    switch (download_->accept(answer)) {
        case ArchiveDownload::Outcome::RETRY:
        case ArchiveDownload::Outcome::DAMAGED:
            logError("1 auto update failed!, will try after 3 sencod.");
            showStatus("updateRetrying");
            scheduleOnce([this](float) { startUpdateDownload(); }, RETRY_SECONDS, "download");
            return;
        case ArchiveDownload::Outcome::GAVE_UP:
            logError("update archive damaged %d times: giving up", download_->damagedCount());
            showStatus("updateDamaged");
            return;
        case ArchiveDownload::Outcome::WRITE_FAILED:
            showStatus("unableWriteFile");
            return;
        case ArchiveDownload::Outcome::DONE:
            panel_->setProgress(1);
            launchUpdater(download_->archivePath());
            return;
    }
}

void UpdateClient::launchUpdater(const std::string& archivePath) {
    // An argument vector: no shell ever splits the path.
    if (launcher_({programFolder_ + UPDATER_NAME, archivePath})) {
        ender_();
        return;
    }
    logError("the updater did not start, will try after 3 seconds");
    showStatus("updateRetrying");
    scheduleOnce([this, archivePath](float) { launchUpdater(archivePath); }, RETRY_SECONDS, "launch");
}

void UpdateClient::showStatus(const std::string& key) {
    if (panel_) panel_->setStatus(key);
    host_->showToast(getLangTextOrDefault(key, key));
}

void UpdateClient::ensureUpdaterPresent() {
    auto bytes = CCFileUtils::sharedFileUtils()->getFileBytes(programFolder_ + UPDATER_NAME);
    if (bytes && !bytes->empty()) return;
    httpGet(getConfigValue(CONFIG_KEY_UPDATE_EXE_URL, DEFAULT_UPDATE_EXE_URL), "", this,
            httpresponse_selector(UpdateClient::onUpdater));
}

void UpdateClient::onUpdater(CCHttpClient*, CCHttpResponse* response) {
    if (!getParent()) return;
    std::vector<unsigned char> bytes;
    if (!responseToBytes(response, bytes)) {
        logError("1 download Brevanix.exe  failed!, will try after 3 sencod.");
    } else if (installExecutable(programFolder_ + UPDATER_NAME, bytes.data(), bytes.size())) {
        logInfo("download Brevanix.exe finished!!!!");
        return;
    } else {
        logError("2 download Brevanix.exe  failed!, will try after 3 sencod.");
    }
    scheduleOnce([this](float) { ensureUpdaterPresent(); }, RETRY_SECONDS, "updater");
}
