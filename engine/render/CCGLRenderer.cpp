#include "CCGLRenderer.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "CCCommon.h"
#include "CCTexture2D.h"

NS_CC_BEGIN

namespace {
// Rows added below every uploaded image: a copy of its last row (so filtering at the edge does not
// pick up white), then two white rows that untextured shapes sample.
constexpr int EXTRA_ROWS = 3;
// A batch is drawn once it holds this many vertices, to bound memory.
constexpr size_t MAX_BATCH_VERTICES = 1u << 20;
// Scissor boxes whose overhanging primitives one batch remembers; past that, a scissor change that
// needs another one ends the batch.
constexpr size_t MAX_OVERHANGS = 16;
unsigned int lastGeneration = 0;

// Framebuffer objects are GL 3.0 (or ARB_framebuffer_object): looked up at run time.
struct FramebufferCalls {
    bool looked = false;
    bool available = false;
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
    PFNGLBLITFRAMEBUFFERPROC blitFramebuffer = nullptr;
};
FramebufferCalls fbo;

template <typename T>
void lookUp(T& call, const char* name) {
    call = reinterpret_cast<T>(SDL_GL_GetProcAddress(name));
}

bool framebuffersAvailable() {
    if (fbo.looked) return fbo.available;
    fbo.looked = true;
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (!version) return false;
    const bool supported = std::atoi(version) >= 3 || SDL_GL_ExtensionSupported("GL_ARB_framebuffer_object");
    if (!supported) {
        CCLog("CCGLRenderer: no framebuffer objects (GL %s): every frame is drawn whole", version);
        return false;
    }
    lookUp(fbo.genFramebuffers, "glGenFramebuffers");
    lookUp(fbo.deleteFramebuffers, "glDeleteFramebuffers");
    lookUp(fbo.bindFramebuffer, "glBindFramebuffer");
    lookUp(fbo.framebufferRenderbuffer, "glFramebufferRenderbuffer");
    lookUp(fbo.checkFramebufferStatus, "glCheckFramebufferStatus");
    lookUp(fbo.genRenderbuffers, "glGenRenderbuffers");
    lookUp(fbo.deleteRenderbuffers, "glDeleteRenderbuffers");
    lookUp(fbo.bindRenderbuffer, "glBindRenderbuffer");
    lookUp(fbo.renderbufferStorage, "glRenderbufferStorage");
    lookUp(fbo.blitFramebuffer, "glBlitFramebuffer");
    fbo.available = fbo.genFramebuffers && fbo.deleteFramebuffers && fbo.bindFramebuffer &&
                    fbo.framebufferRenderbuffer && fbo.checkFramebufferStatus && fbo.genRenderbuffers &&
                    fbo.deleteRenderbuffers && fbo.bindRenderbuffer && fbo.renderbufferStorage &&
                    fbo.blitFramebuffer;
    if (!fbo.available) CCLog("CCGLRenderer: framebuffer calls missing: every frame is drawn whole");
    return fbo.available;
}

// Whether the window's back buffer still holds the last presented picture after a swap, so a present
// may copy only the redrawn rectangles: true where the swap is a copy (Mesa's software rasterisers on
// GLX) or there is no second buffer (SDL's offscreen driver draws into a pbuffer). Elsewhere the back
// buffer may be any older picture, and every present copies the whole frame.
// RGBA rows, bottom first, of a framebuffer object's colour or (0) the window's back buffer.
std::vector<uint8_t> readColour(unsigned int framebuffer, int width, int height) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    fbo.bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glReadBuffer(framebuffer ? GL_COLOR_ATTACHMENT0 : GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// GLX_MESA_copy_sub_buffer: copies rectangles of the back buffer to the window without a swap.
struct SubBufferCopy {
    bool looked = false;
    void* (*currentDisplay)() = nullptr;
    unsigned long (*currentDrawable)() = nullptr;
    void (*copy)(void*, unsigned long, int, int, int, int) = nullptr;
    void (*queryDrawable)(void*, unsigned long, int, unsigned int*) = nullptr;
};
constexpr int GLX_WIDTH_ATTRIBUTE = 0x801D;
constexpr int GLX_HEIGHT_ATTRIBUTE = 0x801E;
SubBufferCopy subBuffer;

bool subBufferCopyAvailable() {
    if (subBuffer.looked) return subBuffer.copy != nullptr;
    subBuffer.looked = true;
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::strcmp(driver, "x11") != 0) return false;
    const char* (*queryExtensions)(void*, int) = nullptr;
    lookUp(queryExtensions, "glXQueryExtensionsString");
    lookUp(subBuffer.currentDisplay, "glXGetCurrentDisplay");
    lookUp(subBuffer.currentDrawable, "glXGetCurrentDrawable");
    void* display = queryExtensions && subBuffer.currentDisplay ? subBuffer.currentDisplay() : nullptr;
    const char* list = display ? queryExtensions(display, 0) : nullptr;
    if (list && std::strstr(list, "GLX_MESA_copy_sub_buffer") && subBuffer.currentDrawable)
        lookUp(subBuffer.copy, "glXCopySubBufferMESA");
    lookUp(subBuffer.queryDrawable, "glXQueryDrawable");
    return subBuffer.copy != nullptr;
}

// Whether the X window really has the size of the kept picture. SDL reports a size it asked for
// (full screen without a window manager) even when the window kept its old one; a rectangle copied
// past the window's real buffer ends the program with an X error.
bool windowMatches(void* display, unsigned long drawable, int width, int height) {
    if (!subBuffer.queryDrawable) return true;
    unsigned int realWidth = 0, realHeight = 0;
    subBuffer.queryDrawable(display, drawable, GLX_WIDTH_ATTRIBUTE, &realWidth);
    subBuffer.queryDrawable(display, drawable, GLX_HEIGHT_ATTRIBUTE, &realHeight);
    return static_cast<int>(realWidth) == width && static_cast<int>(realHeight) == height;
}

bool onWindow() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && std::strcmp(driver, "offscreen") != 0;
}

bool backBufferKept() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver) return false;
    if (std::strcmp(driver, "offscreen") == 0) return true;
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return std::strcmp(driver, "x11") == 0 && renderer &&
           (std::strstr(renderer, "llvmpipe") || std::strstr(renderer, "softpipe") ||
            std::strstr(renderer, "swrast"));
}

uint8_t toByte(float c) {
    return static_cast<uint8_t>(std::clamp(c, 0.0f, 1.0f) * 255.0f + 0.5f);
}
}  // namespace

CCGLRenderer::CCGLRenderer() : generation_(++lastGeneration) {
    whiteTexture_ = new CCTexture2D();
    uint8_t white[4] = {255, 255, 255, 255};
    whiteTexture_->initWithRGBA(white, 1, 1);
    vertices_.reserve(65536);
    indices_.reserve(98304);
}

CCGLRenderer::~CCGLRenderer() {
    if (verifiedFrames_ > 0)
        CCLog("CCGLRenderer: damage check: %u frames compared with a whole redraw, %u differed",
              verifiedFrames_, mismatchedFrames_);
    releaseFramebuffers();
    whiteTexture_->release();
    std::vector<unsigned int> names = CCTexture2D::takeReleasedNames(generation_);
    if (!names.empty()) glDeleteTextures(static_cast<GLsizei>(names.size()), names.data());
}

void CCGLRenderer::onBeginFrame(const CCSize& viewSize) {
    viewSize_ = viewSize;
    std::vector<unsigned int> names = CCTexture2D::takeReleasedNames(generation_);
    if (!names.empty()) glDeleteTextures(static_cast<GLsizei>(names.size()), names.data());
    drawCalls_ = 0;
    haveBatch_ = false;
    discardingShape_ = false;
    vertices_.clear();
    indices_.clear();

    int pw = static_cast<int>(std::lround(viewSize.width * pixelScale_));
    int ph = static_cast<int>(std::lround(viewSize.height * pixelScale_));
    drawingKept_ = isTrackingDamage();
    if (drawingKept_) {
        const bool had = framebuffer_ != 0 && framebufferWidth_ == pw && framebufferHeight_ == ph;
        if (!ensureFramebuffer(framebuffer_, colourBuffer_, stencilBuffer_, framebufferWidth_,
                               framebufferHeight_, pw, ph)) {
            drawingKept_ = false;
        } else {
            lostFrame_ = lostFrame_ || !had;
            lostPresent_ = lostPresent_ || !had;
            fbo.bindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        }
    }
    setUpState(pw, ph);
    // A kept picture is cleared region by region.
    if (!drawingKept_) glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

void CCGLRenderer::setUpState(int pw, int ph) {
    glViewport(0, 0, pw, ph);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, viewSize_.width, 0, viewSize_.height, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_LIGHTING);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glStencilMask(0xFF);
    glClearColor(clearColor_.r, clearColor_.g, clearColor_.b, clearColor_.a);
    glClearStencil(0);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
}

unsigned int CCGLRenderer::onEndFrame() {
    flush();
    haveBatch_ = false;
    scissor_ = Clip();
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_STENCIL_TEST);
    if (drawingKept_) {
        if (verifyDamage_) verifyLastFrame();
        present();
    }
    return drawCalls_;
}

bool CCGLRenderer::keepsFrames() const {
    return framebuffersAvailable();
}

bool CCGLRenderer::lostKeptFrame() {
    const bool lost = lostFrame_ || !drawingKept_;
    lostFrame_ = false;
    return lost;
}

bool CCGLRenderer::ensureFramebuffer(unsigned int& framebuffer, unsigned int& colour, unsigned int& stencil,
                                     int& width, int& height, int wantWidth, int wantHeight) {
    if (!framebuffersAvailable() || wantWidth <= 0 || wantHeight <= 0) return false;
    if (framebuffer != 0 && width == wantWidth && height == wantHeight) return true;
    if (framebuffer == 0) {
        GLuint made[2] = {0, 0};
        fbo.genFramebuffers(1, made);
        framebuffer = made[0];
        fbo.genRenderbuffers(2, made);
        colour = made[0];
        stencil = made[1];
    }
    fbo.bindRenderbuffer(GL_RENDERBUFFER, colour);
    fbo.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, wantWidth, wantHeight);
    fbo.bindRenderbuffer(GL_RENDERBUFFER, stencil);
    fbo.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, wantWidth, wantHeight);
    fbo.bindRenderbuffer(GL_RENDERBUFFER, 0);
    fbo.bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    fbo.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    fbo.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, stencil);
    fbo.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER, stencil);
    const GLenum status = fbo.checkFramebufferStatus(GL_FRAMEBUFFER);
    fbo.bindFramebuffer(GL_FRAMEBUFFER, 0);
    width = wantWidth;
    height = wantHeight;
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        CCLog("CCGLRenderer: framebuffer %dx%d incomplete (0x%x): every frame is drawn whole", wantWidth,
              wantHeight, status);
        fbo.available = false;
        return false;
    }
    return true;
}

void CCGLRenderer::releaseFramebuffers() {
    if (!fbo.available) return;
    for (unsigned int* fb : {&framebuffer_, &checkFramebuffer_}) {
        if (*fb) fbo.deleteFramebuffers(1, fb);
        *fb = 0;
    }
    for (unsigned int* rb : {&colourBuffer_, &stencilBuffer_, &checkColour_, &checkStencil_}) {
        if (*rb) fbo.deleteRenderbuffers(1, rb);
        *rb = 0;
    }
}

void CCGLRenderer::present() {
    if (presentKind_ == PresentKind::UNKNOWN) {
        presentKind_ = backBufferKept() ? PresentKind::REGIONS : PresentKind::WHOLE;
        CCLog("CCGLRenderer: each present copies %s",
              presentKind_ == PresentKind::REGIONS ? "the redrawn rectangles" : "the whole frame");
    }
    // The window's buffers are made anew some time after its size changes: whole presents until then.
    int drawableWidth = 0, drawableHeight = 0;
    if (SDL_Window* window = SDL_GL_GetCurrentWindow())
        SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
    if (drawableWidth != drawableWidth_ || drawableHeight != drawableHeight_) {
        drawableWidth_ = drawableWidth;
        drawableHeight_ = drawableHeight;
        wholePresentsLeft_ = WHOLE_PRESENTS_AFTER_RESIZE;
    }
    void* display = subBufferCopyAvailable() ? subBuffer.currentDisplay() : nullptr;
    const unsigned long drawable = display ? subBuffer.currentDrawable() : 0;
    const bool windowSized =
        !display || windowMatches(display, drawable, framebufferWidth_, framebufferHeight_);
    // Now and then the whole frame anyway: the window's picture never stays wrong for long.
    const bool whole = presentKind_ == PresentKind::WHOLE || debugDamage_ || lostPresent_ || !windowSized ||
                       wholePresentsLeft_ > 0 || ++presentsSinceWhole_ >= WHOLE_PRESENT_EVERY;
    if (wholePresentsLeft_ > 0) --wholePresentsLeft_;
    fbo.bindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    fbo.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    presentedItself_ = false;
    if (whole) {
        presentsSinceWhole_ = 0;
        lostPresent_ = false;
        fbo.blitFramebuffer(0, 0, framebufferWidth_, framebufferHeight_, 0, 0, framebufferWidth_,
                            framebufferHeight_, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    } else {
        for (const CCRect& region : getRedrawnRegions()) {
            const Clip c = toClip(region);
            const auto x0 = static_cast<GLint>(c.x0), y0 = static_cast<GLint>(c.y0);
            const auto x1 = static_cast<GLint>(c.x1), y1 = static_cast<GLint>(c.y1);
            fbo.blitFramebuffer(x0, y0, x1, y1, x0, y0, x1, y1, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        }
        // The offscreen driver's surface keeps the size it was made with: only a real window is compared.
        if (verifyDamage_ && onWindow()) verifyWindow();
        // Only the rectangles go to the window, not a whole swap.
        if (display) {
            for (const CCRect& region : getRedrawnRegions()) {
                const Clip c = toClip(region);
                subBuffer.copy(display, drawable, static_cast<int>(c.x0), static_cast<int>(c.y0),
                               static_cast<int>(c.x1 - c.x0), static_cast<int>(c.y1 - c.y0));
            }
            presentedItself_ = true;
        }
    }
    fbo.bindFramebuffer(GL_FRAMEBUFFER, 0);
    if (!debugDamage_) return;
    // On the window only: the kept picture stays clean.
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1.0f, 0.1f, 0.6f, 0.25f);
    for (const CCRect& r : getRedrawnRegions()) glRectf(r.getMinX(), r.getMinY(), r.getMaxX(), r.getMaxY());
    glColor4f(1, 1, 1, 1);
    glEnable(GL_TEXTURE_2D);
}

void CCGLRenderer::verifyWindow() {
    const std::vector<uint8_t> kept = readColour(framebuffer_, framebufferWidth_, framebufferHeight_);
    const std::vector<uint8_t> shown = readColour(0, framebufferWidth_, framebufferHeight_);
    size_t differing = 0;
    for (size_t i = 0; i < kept.size(); i += 4) differing += std::memcmp(&kept[i], &shown[i], 3) != 0;
    if (differing == 0) return;
    ++mismatchedFrames_;
    CCLog(
        "CCGLRenderer: the window's picture differs from the kept one in %zu pixels after a partial present",
        differing);
}

void CCGLRenderer::verifyLastFrame() {
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int width = viewport[2], height = viewport[3];
    if (!framebuffersAvailable() || !ensureFramebuffer(checkFramebuffer_, checkColour_, checkStencil_,
                                                       checkWidth_, checkHeight_, width, height))
        return;
    fbo.bindFramebuffer(GL_FRAMEBUFFER, checkFramebuffer_);
    resubmitWholeFrame();
    flush();
    haveBatch_ = false;
    scissor_ = Clip();
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_STENCIL_TEST);
    const std::vector<uint8_t> partial = readColour(framebuffer_, width, height);
    const std::vector<uint8_t> whole = readColour(checkFramebuffer_, width, height);
    const size_t size = partial.size();
    fbo.bindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    ++verifiedFrames_;
    size_t differing = 0, first = 0;
    for (size_t i = 0; i < size; i += 4) {
        if (std::memcmp(&partial[i], &whole[i], 3) == 0) continue;
        if (differing++ == 0) first = i / 4;
    }
    if (differing == 0) return;
    ++mismatchedFrames_;
    CCLog(
        "CCGLRenderer: partial redraw differs from a whole redraw in %zu pixels, first at %zu,%zu (window, "
        "bottom up); %zu regions redrawn",
        differing, first % static_cast<size_t>(width), first / static_cast<size_t>(width),
        getRedrawnRegions().size());
}

unsigned int CCGLRenderer::upload(CCTexture2D* texture) {
    unsigned int name = texture->getName();
    bool fresh = name == 0 || texture->getNameGeneration() != generation_;
    if (!fresh && !texture->isDirty()) return name;
    int w = texture->getPixelsWide(), h = texture->getPixelsHigh();
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * (h + EXTRA_ROWS) * 4, 255);
    const std::vector<uint8_t>& image = texture->getPixels();
    std::copy(image.begin(), image.end(), pixels.begin());
    std::copy(image.end() - static_cast<long>(w) * 4, image.end(),
              pixels.begin() + static_cast<long>(w) * h * 4);
    if (fresh) {
        GLuint made = 0;
        glGenTextures(1, &made);
        name = made;
        texture->setName(name, generation_);
    }
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    GLint filter = texture->isAntiAlias() ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    if (fresh)
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h + EXTRA_ROWS, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     pixels.data());
    else
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, w, h + EXTRA_ROWS, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    texture->markUploaded();
    // The batch being collected may use another texture: its binding is restored at flush.
    return name;
}

void CCGLRenderer::useBatch(CCTexture2D* texture, const CCPrimitive& p, const Box& bounds) {
    BatchKey key;
    key.blend = p.blend;
    key.source = p.blendSource;
    key.destination = p.blendDestination;
    if (!texture) {
        // Untextured shapes join whatever texture the batch has.
        if (haveBatch_) {
            key.texture = key_.texture;
            if (key == key_ && vertices_.size() < MAX_BATCH_VERTICES && joinClip(bounds)) return;
        }
        texture = whiteTexture_;
    }
    unsigned int name = upload(texture);
    key.texture = name;
    if (haveBatch_ && key == key_ && vertices_.size() < MAX_BATCH_VERTICES && joinClip(bounds)) return;
    flush();
    key_ = key;
    haveBatch_ = true;
    addOverhang(bounds);
    int h = texture->getPixelsHigh();
    textureScaleV_ = static_cast<float>(h) / static_cast<float>(h + EXTRA_ROWS);
    whiteU_ = 0.5f;
    whiteV_ = static_cast<float>(h + 2) / static_cast<float>(h + EXTRA_ROWS);
}

bool CCGLRenderer::sameUnder(const Box& bounds, const Clip& scissor, const Clip& clip) {
    // Pixel centres lie half a pixel off the integer box edges, so closed boxes decide exactly.
    auto cut = [](const Box& b, const Clip& c) {
        if (!c.enabled) return b;
        return Box{std::max(b.x0, c.x0), std::max(b.y0, c.y0), std::min(b.x1, c.x1), std::min(b.y1, c.y1)};
    };
    auto inside = [](const Box& b, const Clip& c) {
        if (b.x0 >= b.x1 || b.y0 >= b.y1 || !c.enabled) return true;
        return b.x0 >= c.x0 && b.y0 >= c.y0 && b.x1 <= c.x1 && b.y1 <= c.y1;
    };
    // What the scissor lets through the clip must keep, and what the clip lets through the scissor
    // would have let through too.
    return inside(cut(bounds, scissor), clip) && inside(cut(bounds, clip), scissor);
}

bool CCGLRenderer::joinClip(const Box& bounds) {
    if (overhangs_.size() >= MAX_OVERHANGS && !sameUnder(bounds, Clip(), scissor_) &&
        std::none_of(overhangs_.begin(), overhangs_.end(),
                     [this](const Overhang& o) { return o.scissor == scissor_; }))
        return false;
    if (sameUnder(bounds, scissor_, batchClip_)) {
        addOverhang(bounds);
        return true;
    }
    // The box around both; the batch's own primitives already lie inside the old one.
    Clip wider;
    if (batchClip_.enabled && scissor_.enabled)
        wider = {true, std::min(batchClip_.x0, scissor_.x0), std::min(batchClip_.y0, scissor_.y0),
                 std::max(batchClip_.x1, scissor_.x1), std::max(batchClip_.y1, scissor_.y1)};
    if (!sameUnder(bounds, scissor_, wider)) return false;
    for (const Overhang& o : overhangs_)
        if (!sameUnder(o.bounds, o.scissor, wider)) return false;
    batchClip_ = wider;
    addOverhang(bounds);
    return true;
}

void CCGLRenderer::addOverhang(const Box& bounds) {
    if (!scissor_.enabled || sameUnder(bounds, Clip(), scissor_)) return;
    for (Overhang& o : overhangs_) {
        if (!(o.scissor == scissor_)) continue;
        // One box around both: a stricter test later, never a looser one.
        o.bounds = {std::min(o.bounds.x0, bounds.x0), std::min(o.bounds.y0, bounds.y0),
                    std::max(o.bounds.x1, bounds.x1), std::max(o.bounds.y1, bounds.y1)};
        return;
    }
    overhangs_.push_back({bounds, scissor_});
}

CCGLRenderer::Box CCGLRenderer::boundsOf(const CCPrimitive& p) const {
    float margin = 0;
    switch (p.type) {
        case CCPrimitiveType::Lines:
        case CCPrimitiveType::Polyline:
        case CCPrimitiveType::ClosedPolyline:
            // As addSegment widens them: half the width, or the core and its one-pixel fringe.
            margin = p.smooth ? std::max((p.lineWidth - 1.0f) * 0.5f, 0.0f) + 1.0f : p.lineWidth * 0.5f;
            break;
        case CCPrimitiveType::Points:
            margin = p.pointSize * 0.5f;
            break;
        default:
            break;
    }
    // A label's first point is its origin, not a corner.
    const size_t first = p.type == CCPrimitiveType::Text ? 1 : 0;
    Box box{INFINITY, INFINITY, -INFINITY, -INFINITY};
    for (size_t i = first; i < p.count; ++i) {
        box.x0 = std::min(box.x0, p.points[i].x);
        box.y0 = std::min(box.y0, p.points[i].y);
        box.x1 = std::max(box.x1, p.points[i].x);
        box.y1 = std::max(box.y1, p.points[i].y);
    }
    if (box.x0 > box.x1) return box;
    // Window points to device pixels, as the projection maps them onto the viewport.
    float sx = pixelScale_, sy = pixelScale_;
    if (viewSize_.width > 0)
        sx = static_cast<float>(std::lround(viewSize_.width * pixelScale_)) / viewSize_.width;
    if (viewSize_.height > 0)
        sy = static_cast<float>(std::lround(viewSize_.height * pixelScale_)) / viewSize_.height;
    return {(box.x0 - margin) * sx, (box.y0 - margin) * sy, (box.x1 + margin) * sx, (box.y1 + margin) * sy};
}

void CCGLRenderer::flush() {
    if (!haveBatch_ || indices_.empty()) {
        vertices_.clear();
        indices_.clear();
        batchClip_ = scissor_;
        overhangs_.clear();
        return;
    }
    applyScissor(batchClip_);
    glBindTexture(GL_TEXTURE_2D, key_.texture);
    if (key_.blend) {
        glEnable(GL_BLEND);
        glBlendFunc(static_cast<GLenum>(key_.source), static_cast<GLenum>(key_.destination));
    } else {
        glDisable(GL_BLEND);
    }
    glVertexPointer(2, GL_FLOAT, sizeof(Vertex), &vertices_[0].x);
    glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), &vertices_[0].u);
    glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(Vertex), &vertices_[0].color);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices_.size()), GL_UNSIGNED_INT, indices_.data());
    ++drawCalls_;
    vertices_.clear();
    indices_.clear();
    batchClip_ = scissor_;
    overhangs_.clear();
}

CCGLRenderer::Color CCGLRenderer::toColor(const ccColor4F& color) {
    return {toByte(color.r), toByte(color.g), toByte(color.b), toByte(color.a)};
}

void CCGLRenderer::addQuad(const CCPoint& a, const CCPoint& b, const CCPoint& c, const CCPoint& d,
                           Color color) {
    auto base = static_cast<uint32_t>(vertices_.size());
    addVertex(a.x, a.y, color);
    addVertex(b.x, b.y, color);
    addVertex(c.x, c.y, color);
    addVertex(d.x, d.y, color);
    indices_.insert(indices_.end(), {base, base + 1, base + 2, base, base + 2, base + 3});
}

void CCGLRenderer::addSegment(const CCPoint& p0, const CCPoint& p1, float width, bool smooth, Color color) {
    float dx = p1.x - p0.x, dy = p1.y - p0.y;
    float length = std::sqrt(dx * dx + dy * dy);
    if (!(length > 0)) return;
    float nx = -dy / length, ny = dx / length;
    if (!smooth) {
        float h = width * 0.5f;
        addQuad({p0.x + nx * h, p0.y + ny * h}, {p1.x + nx * h, p1.y + ny * h},
                {p1.x - nx * h, p1.y - ny * h}, {p0.x - nx * h, p0.y - ny * h}, color);
        return;
    }
    // A solid core plus a one-pixel fringe on each side that fades to transparent.
    float core = std::max((width - 1.0f) * 0.5f, 0.0f);
    float outer = core + 1.0f;
    Color clear = color;
    clear.a = 0;
    auto base = static_cast<uint32_t>(vertices_.size());
    const float offsets[4] = {outer, core, -core, -outer};
    for (int i = 0; i < 4; ++i) {
        Color c = (i == 0 || i == 3) ? clear : color;
        addVertex(p0.x + nx * offsets[i], p0.y + ny * offsets[i], c);
        addVertex(p1.x + nx * offsets[i], p1.y + ny * offsets[i], c);
    }
    // Strips between rows 0-1, 1-2 (core, skipped when empty), 2-3.
    for (uint32_t row = 0; row < 3; ++row) {
        if (row == 1 && core <= 0) continue;
        uint32_t a = base + row * 2, b = a + 1, c = a + 3, d = a + 2;
        indices_.insert(indices_.end(), {a, b, c, a, c, d});
    }
}

CCGLRenderer::Clip CCGLRenderer::toClip(const CCRect& rect) const {
    auto x0 = static_cast<float>(std::lround(rect.getMinX() * pixelScale_));
    auto y0 = static_cast<float>(std::lround(rect.getMinY() * pixelScale_));
    auto x1 = static_cast<float>(std::lround(rect.getMaxX() * pixelScale_));
    auto y1 = static_cast<float>(std::lround(rect.getMaxY() * pixelScale_));
    return {true, x0, y0, std::max(x1, x0), std::max(y1, y0)};
}

void CCGLRenderer::applyScissor(const Clip& clip) {
    if (!clip.enabled) {
        glDisable(GL_SCISSOR_TEST);
        return;
    }
    auto x0 = static_cast<GLint>(clip.x0), y0 = static_cast<GLint>(clip.y0);
    glEnable(GL_SCISSOR_TEST);
    glScissor(x0, y0, static_cast<GLsizei>(clip.x1) - x0, static_cast<GLsizei>(clip.y1) - y0);
}

void CCGLRenderer::applyStencilTest(int depth) {
    if (depth <= 0) {
        glDisable(GL_STENCIL_TEST);
        return;
    }
    int levels = std::min(depth, MAX_STENCIL_DEPTH);
    GLuint reference = 0, mask = 0;
    for (int level = 1; level <= levels; ++level) {
        GLuint bit = 1u << (level - 1);
        mask |= bit;
        if (!stencilInverted_[level]) reference |= bit;
    }
    glEnable(GL_STENCIL_TEST);
    glStencilMask(0);
    glStencilFunc(GL_EQUAL, static_cast<GLint>(reference), mask);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
}

void CCGLRenderer::submit(const CCPrimitive& p) {
    switch (p.type) {
        case CCPrimitiveType::Scissor: {
            // Taken up by the next batch that needs it (see joinClip).
            scissor_ = p.enabled ? toClip(p.rect) : Clip();
            return;
        }
        case CCPrimitiveType::Clear:
            flush();
            applyScissor(scissor_);
            glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
            glStencilMask(0xFF);
            glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
            return;
        case CCPrimitiveType::StencilWrite: {
            flush();
            if (p.stencilDepth > MAX_STENCIL_DEPTH) {
                discardingShape_ = true;
                return;
            }
            GLuint bit = 1u << (p.stencilDepth - 1);
            glEnable(GL_STENCIL_TEST);
            glStencilMask(bit);
            glStencilFunc(GL_ALWAYS, 0xFF, 0xFF);
            glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
            glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
            if (p.alphaThreshold < 1) {
                glEnable(GL_ALPHA_TEST);
                glAlphaFunc(GL_GREATER, p.alphaThreshold);
            }
            return;
        }
        case CCPrimitiveType::StencilTest:
            flush();
            discardingShape_ = false;
            glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
            glDisable(GL_ALPHA_TEST);
            if (p.stencilDepth <= MAX_STENCIL_DEPTH) stencilInverted_[p.stencilDepth] = p.inverted;
            applyStencilTest(p.stencilDepth);
            return;
        case CCPrimitiveType::StencilEnd: {
            flush();
            discardingShape_ = false;
            glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
            glDisable(GL_ALPHA_TEST);
            int ended = p.stencilDepth + 1;
            if (ended <= MAX_STENCIL_DEPTH) {
                // Clear this level's bit wherever it may have been written for the next sibling: the
                // whole view, or the rectangle being redrawn (nothing is drawn outside it). The next
                // batch sets its own scissor box.
                applyScissor(drawingKept_ ? toClip(region_) : Clip());
                glStencilMask(1u << (ended - 1));
                glClear(GL_STENCIL_BUFFER_BIT);
            }
            applyStencilTest(p.stencilDepth);
            return;
        }
        default:
            break;
    }
    if (discardingShape_) return;

    const Color color = toColor(p.color);
    const Box bounds = boundsOf(p);
    switch (p.type) {
        case CCPrimitiveType::Lines:
            useBatch(nullptr, p, bounds);
            for (size_t i = 0; i + 1 < p.count; i += 2)
                addSegment(p.points[i], p.points[i + 1], p.lineWidth, p.smooth, color);
            break;
        case CCPrimitiveType::Polyline:
        case CCPrimitiveType::ClosedPolyline:
            useBatch(nullptr, p, bounds);
            for (size_t i = 0; i + 1 < p.count; ++i)
                addSegment(p.points[i], p.points[i + 1], p.lineWidth, p.smooth, color);
            if (p.type == CCPrimitiveType::ClosedPolyline && p.count > 2)
                addSegment(p.points[p.count - 1], p.points[0], p.lineWidth, p.smooth, color);
            break;
        case CCPrimitiveType::SolidPolygon: {
            useBatch(nullptr, p, bounds);
            auto base = static_cast<uint32_t>(vertices_.size());
            for (size_t i = 0; i < p.count; ++i) addVertex(p.points[i].x, p.points[i].y, color);
            for (uint32_t i = 1; i + 1 < p.count; ++i)
                indices_.insert(indices_.end(), {base, base + i, base + i + 1});
            break;
        }
        case CCPrimitiveType::Points: {
            useBatch(nullptr, p, bounds);
            float h = p.pointSize * 0.5f;
            for (size_t i = 0; i < p.count; ++i) {
                const CCPoint& c = p.points[i];
                if (p.smooth && p.pointSize >= 3) {
                    // A round point: an octagon fan.
                    auto base = static_cast<uint32_t>(vertices_.size());
                    addVertex(c.x, c.y, color);
                    for (int k = 0; k < 8; ++k) {
                        float angle = static_cast<float>(k) * 0.785398163f;
                        addVertex(c.x + h * std::cos(angle), c.y + h * std::sin(angle), color);
                    }
                    for (uint32_t k = 0; k < 8; ++k)
                        indices_.insert(indices_.end(), {base, base + 1 + k, base + 1 + (k + 1) % 8});
                } else {
                    addQuad({c.x - h, c.y - h}, {c.x + h, c.y - h}, {c.x + h, c.y + h}, {c.x - h, c.y + h},
                            color);
                }
            }
            break;
        }
        case CCPrimitiveType::TexturedQuad: {
            useBatch(p.texture, p, bounds);
            auto base = static_cast<uint32_t>(vertices_.size());
            for (int i = 0; i < 4; ++i) {
                if (p.texture && p.texCoords)
                    addVertex(p.points[i].x, p.points[i].y, p.texCoords[i * 2],
                              p.texCoords[i * 2 + 1] * textureScaleV_, color);
                else
                    addVertex(p.points[i].x, p.points[i].y, color);
            }
            indices_.insert(indices_.end(), {base, base + 1, base + 2, base, base + 2, base + 3});
            break;
        }
        case CCPrimitiveType::Text: {
            if (!p.glyphs) break;
            const CCGlyphQuad* glyphs = p.glyphs;
            for (size_t g = 0; g < p.glyphCount && 1 + g * 4 + 3 < p.count; ++g) {
                CCTexture2D* texture = glyphs[g].texture;
                if (!texture) continue;
                useBatch(texture, p, bounds);
                float tw = static_cast<float>(texture->getPixelsWide());
                float th = static_cast<float>(texture->getPixelsHigh());
                const CCRect& s = glyphs[g].source;
                float u0 = s.getMinX() / tw, u1 = s.getMaxX() / tw;
                float v0 = s.getMinY() / th * textureScaleV_, v1 = s.getMaxY() / th * textureScaleV_;
                const CCPoint* q = p.points + 1 + g * 4;
                auto base = static_cast<uint32_t>(vertices_.size());
                addVertex(q[0].x, q[0].y, u0, v1, color);
                addVertex(q[1].x, q[1].y, u1, v1, color);
                addVertex(q[2].x, q[2].y, u1, v0, color);
                addVertex(q[3].x, q[3].y, u0, v0, color);
                indices_.insert(indices_.end(), {base, base + 1, base + 2, base, base + 2, base + 3});
            }
            break;
        }
        default:
            break;
    }
}

std::vector<uint8_t> CCGLRenderer::readPixels(int* width, int* height) const {
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    int w = viewport[2], h = viewport[3];
    // The kept picture is the whole frame, drawn or not this time.
    const bool kept = drawingKept_ && framebuffer_ != 0;
    if (kept) {
        w = framebufferWidth_;
        h = framebufferHeight_;
    }
    if (width) *width = w;
    if (height) *height = h;
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 4);
    if (pixels.empty()) return pixels;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (kept) {
        fbo.bindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        glReadBuffer(GL_COLOR_ATTACHMENT0);
    }
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    if (kept) fbo.bindFramebuffer(GL_FRAMEBUFFER, 0);
    // GL rows come bottom-up.
    std::vector<uint8_t> flipped(pixels.size());
    size_t row = static_cast<size_t>(w) * 4;
    for (int y = 0; y < h; ++y)
        std::copy(pixels.begin() + static_cast<long>(row * y),
                  pixels.begin() + static_cast<long>(row * (y + 1)),
                  flipped.begin() + static_cast<long>(row * (h - 1 - y)));
    return flipped;
}

void CCGLRenderer::finish() const {
    glFinish();
}

std::string CCGLRenderer::getDeviceName() const {
    const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return name ? name : "";
}

NS_CC_END
