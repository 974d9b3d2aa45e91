#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CCHttpClient.h"
#include "CCNode.h"
#include "VersionFile.h"

class ArchiveDownload;
class UpdateHost;
class UpdatePanel;

// The terminal's side of an update: checks the version file, keeps the updater program ("Brevanix")
// present and current, shows the update dialog, downloads and verifies the archive and hands it to
// the updater. A node so that its timers live and die with the connecting screen it is added to;
// responses that arrive after it has left that screen are ignored. The host must outlive it while it
// has a parent. Main thread only.
class UpdateClient : public cocos2d::CCNode {
public:
    static constexpr int DEFAULT_LOCAL_VERSION = 245;
    // The version this program reports and compares with the server's. A test build sets another in
    // main() before anything reads it; a plain int, so the crash handler may read it too.
    static int localVersion() { return localVersion_; }
    static void setLocalVersion(int version) { localVersion_ = version; }
    static constexpr const char* UPDATER_NAME = "Brevanix";
    static constexpr const char* WAITING_UPDATER_NAME = "Brevanix.x";
    static constexpr float CHECK_DELAY = 0.1f;
    static constexpr int CHECK_RETRY_SECONDS = 5;
    static constexpr float RETRY_SECONDS = 3;
    static constexpr float DOWNLOAD_START_DELAY = 0.6f;
    static constexpr int DIALOG_Z_ORDER = 99;
    static constexpr float DIALOG_WIDTH = 500;
    static constexpr float DIALOG_HEIGHT = 300;

    // Starts the updater with its arguments; true when the process started.
    using Launcher = std::function<bool(const std::vector<std::string>& argv)>;

    // Both folders end with "/".
    static UpdateClient* create(UpdateHost* host, std::string programFolder, std::string writableFolder);

    // Defaults: CCEGLView::callUpdate and CCDirector::end.
    void setLauncher(Launcher launcher) { launcher_ = std::move(launcher); }
    void setEnder(std::function<void()> ender) { ender_ = std::move(ender); }

    // ensureUpdaterPresent at once, checkForUpdate after CHECK_DELAY. In an installation whose
    // program folder is not writable (a package) neither happens: the connecting stage just goes on.
    void start();
    void checkForUpdate();
    void ensureUpdaterPresent();
    void startUpdateDownload();
    void launchUpdater(const std::string& archivePath);
    // Keeps the dialog at the host's centre point after a resize.
    void placeDialog();

    UpdatePanel* getPanel() const { return panel_; }
    ArchiveDownload* getDownload() const { return download_.get(); }
    int getCheckFailures() const { return checkFailures_; }

    // Whether a file can be created in folder.
    static bool isFolderWritable(const std::string& folder);

private:
    UpdateClient() = default;
    ~UpdateClient() override;
    void onVersionFile(cocos2d::CCHttpClient* client, cocos2d::CCHttpResponse* response);
    void onUpdater(cocos2d::CCHttpClient* client, cocos2d::CCHttpResponse* response);
    void onArchive(cocos2d::CCHttpClient* client, cocos2d::CCHttpResponse* response);
    void noUpdate();
    void offerUpdate(const VersionFile& version);
    void installWaitingUpdater();
    void progressTick(float dt);
    void showStatus(const std::string& key);

    UpdateHost* host_ = nullptr;
    std::string programFolder_;
    std::string writableFolder_;
    Launcher launcher_;
    std::function<void()> ender_;
    UpdatePanel* panel_ = nullptr;
    std::unique_ptr<ArchiveDownload> download_;
    std::string archiveUrl_;
    uint64_t keptAtRequest_ = 0;
    static inline int localVersion_ = DEFAULT_LOCAL_VERSION;
    int checkFailures_ = 0;
};
