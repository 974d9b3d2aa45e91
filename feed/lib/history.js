'use strict';
// K-line history: the week history (recent bars in one gzip CSV) and the older history files.
//
// Files sit on a fixed grid of `barsPerFile` bars counted from the model's first bar, so a
// file's URL never changes and the terminal's cache stays valid. The week history always
// starts on a grid line; the first file listed for its start time therefore ends exactly where
// the week history begins (no gap, no overlap). A file name carries the file's first bar and
// its bar count, so a name always stands for the same content: the oldest file, cut by the
// history depth, has a name of its own.

const zlib = require('zlib');
const { findInstrument, isTimeType } = require('./instruments');
const { DAY_SECONDS } = require('./market');
const { checkHistorySignature } = require('./signature');

const FILE_CACHE_LIMIT = 256;
const MAX_CUT_COUNT = 1000;

class HistoryService {
    constructor(market, options) {
        this.market_ = market;
        this.barsPerFile_ = options.barsPerFile;
        this.maxFilesPerList_ = options.maxFilesPerList;
        this.weekDays_ = options.weekDays;
        this.weekMinBars_ = options.weekMinBars;
        this.historyDays_ = options.historyDays;
        this.salt_ = options.historySalt;
        this.files_ = new Map();
    }

    knows(code, ttype) {
        return Boolean(findInstrument(code)) && isTimeType(ttype);
    }

    // First bar that history may reach: whole days back from today's start (UTC).
    oldestIndex(ttype, nowMs) {
        const today = Math.floor(nowMs / 1000 / DAY_SECONDS);
        return this.market_.firstIndexAtOrAfter(ttype, (today - this.historyDays_) * DAY_SECONDS);
    }

    // [start, end) of the week history: at least `weekDays` days and `weekMinBars` bars, widened
    // back to a grid line, never older than the history depth. Ends with the bar in progress.
    weekRange(ttype, nowMs) {
        const end = this.market_.barCount(ttype, nowMs);
        const nowSec = Math.floor(nowMs / 1000);
        const wanted = Math.min(this.market_.firstIndexAtOrAfter(ttype, nowSec - this.weekDays_ * DAY_SECONDS),
            end - this.weekMinBars_);
        const start = Math.max(Math.floor(wanted / this.barsPerFile_) * this.barsPerFile_, this.oldestIndex(ttype, nowMs));
        return { start: Math.min(start, end), end };
    }

    csv(code, bars) {
        const format = (pips) => this.market_.formatPips(code, pips);
        let text = '';
        for (const b of bars) {
            text += `${b.time},${format(b.open)},${format(b.high)},${format(b.low)},${format(b.close)},${b.volume}\n`;
        }
        return text;
    }

    weekHistory(code, ttype, nowMs) {
        const { start, end } = this.weekRange(ttype, nowMs);
        return zlib.gzipSync(this.csv(code, this.market_.bars(code, ttype, start, end, nowMs)));
    }

    fileName(code, ttype, start, count) {
        return `${code}_${ttype}_${this.market_.tag}_${start}_${count}.gz`;
    }

    parseFileName(name) {
        const match = /^([A-Za-z0-9]+)_(\d{1,4})_([a-z0-9]+)_(\d{1,9})_(\d{1,4})\.gz$/.exec(name);
        if (!match) return null;
        const [, code, ttype, tag, start, count] = match;
        if (!findInstrument(code) || !isTimeType(Number(ttype)) || tag !== this.market_.tag) return null;
        return { code, ttype: Number(ttype), start: Number(start), count: Number(count) };
    }

    // Files holding the bars older than etime (all complete bars when etime is 0), newest
    // first, at most `limit` of them. The file holding the bar just before etime is listed
    // whole, so a series that does not start on a grid line gets an overlap, never a gap.
    listFiles(code, ttype, etime, limit, nowMs) {
        const complete = this.market_.completeCount(ttype, nowMs);
        const oldest = this.oldestIndex(ttype, nowMs);
        let before = etime > 0 ? this.market_.firstIndexAtOrAfter(ttype, etime) : complete;
        before = Math.min(before, complete);
        const names = [];
        for (let k = Math.floor((before - 1) / this.barsPerFile_); before > oldest && names.length < limit; k--) {
            const start = Math.max(k * this.barsPerFile_, oldest);
            const end = Math.min((k + 1) * this.barsPerFile_, complete);
            if (end <= start) break;
            names.push(this.fileName(code, ttype, start, end - start));
            if (start === oldest) break;
        }
        return names;
    }

    // Gzip body of a history file, or null when the name is not one of ours or lies in the future.
    fileBody(name, nowMs) {
        const file = this.parseFileName(name);
        if (!file || file.count < 1 || file.count > this.barsPerFile_) return null;
        if (file.start + file.count > this.market_.completeCount(file.ttype, nowMs)) return null;
        let body = this.files_.get(name);
        if (!body) {
            const bars = this.market_.bars(file.code, file.ttype, file.start, file.start + file.count, nowMs);
            body = zlib.gzipSync(this.csv(file.code, bars));
            this.files_.set(name, body);
            if (this.files_.size > FILE_CACHE_LIMIT) this.files_.delete(this.files_.keys().next().value);
        }
        return body;
    }

    // The signed list request. Returns {status, body} for the HTTP layer; `fileUrl` turns a
    // file name into the absolute URL that the terminal downloads.
    handleListRequest(request, nowMs, fileUrl) {
        if (request === null || typeof request !== 'object' || Array.isArray(request)) {
            return { status: 400, body: { result: 0, error: 'the body must be a JSON object' } };
        }
        for (const member of ['time', 'ttype', 'etime', 'cutCount']) {
            if (!Number.isSafeInteger(request[member]) || request[member] < 0) {
                return { status: 400, body: { result: 0, error: `"${member}" must be a whole number` } };
            }
        }
        for (const member of ['key', 'sym']) {
            if (typeof request[member] !== 'string' || request[member] === '') {
                return { status: 400, body: { result: 0, error: `"${member}" must be a text` } };
            }
        }
        if (!checkHistorySignature(request, this.salt_)) return { status: 200, body: { result: 0 } };
        if (!findInstrument(request.sym)) {
            return { status: 404, body: { result: 0, error: `unknown symbol "${request.sym}"` } };
        }
        if (!isTimeType(request.ttype)) {
            return { status: 404, body: { result: 0, error: `unknown time type ${request.ttype}` } };
        }
        const limit = Math.min(Math.max(request.cutCount, 1), this.maxFilesPerList_, MAX_CUT_COUNT);
        const names = this.listFiles(request.sym, request.ttype, request.etime, limit, nowMs);
        return { status: 200, body: { result: 1, list: names.map(fileUrl) } };
    }
}

module.exports = { HistoryService };
