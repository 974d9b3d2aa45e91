'use strict';
// Update service and report sink, both on the data folder:
//   <data>/update/            files served under the update path (update.zip, Brevanix.x, ...)
//   <data>/update/ver.json    optional: members that override the version file's defaults
//   <data>/reports/<kind>/    one JSON file per installation or run report
//   <data>/uploads/           uploaded log and crash-dump files, under their own names
// Every file is written to a temporary name and then linked into place, so a reader never sees
// half a file and two uploads of one name both survive.

const crypto = require('crypto');
const fs = require('fs');
const path = require('path');

// Plain file names only: no folders, no leading dot, no control characters ("&" and "+" are fine:
// the terminal percent-encodes them).
const SAFE_NAME = /^[A-Za-z0-9_][A-Za-z0-9_. &+-]{0,127}$/;
const MAX_SAME_NAME = 1000;

function isSafeName(name) {
    return typeof name === 'string' && SAFE_NAME.test(name) && !name.includes('..');
}

function stamp(date) {
    return date.toISOString().replace(/[-:]/g, '').replace('T', '-').replace(/\.\d{3}Z$/, '');
}

class UpdateService {
    // archiveUrl(): the URL the version file names when "resurl" is not configured.
    constructor({ dataDir, update, archiveUrl, log }) {
        this.dataDir_ = dataDir;
        this.defaults_ = update;
        this.archiveUrl_ = archiveUrl;
        this.log_ = log;
        this.sequence_ = 0;
        this.updateDir = path.join(dataDir, 'update');
        for (const dir of [this.updateDir, path.join(dataDir, 'reports'), path.join(dataDir, 'uploads')]) {
            fs.mkdirSync(dir, { recursive: true });
        }
    }

    overrides() {
        const file = path.join(this.updateDir, 'ver.json');
        let text;
        try {
            text = fs.readFileSync(file, 'utf8');
        } catch {
            return {};
        }
        try {
            const value = JSON.parse(text);
            if (value && typeof value === 'object' && !Array.isArray(value)) return value;
            this.log_.warn(`update: ${file} is not a JSON object; serving the defaults`);
        } catch (error) {
            this.log_.warn(`update: ${file} does not parse (${error.message}); serving the defaults`);
        }
        return {};
    }

    // The version file. fileSize, sha256 and resurl follow the served archive unless configured.
    versionDocument() {
        const doc = { ...this.defaults_, ...this.overrides() };
        const archiveUrl = this.archiveUrl_();
        if (doc.resurl === null || doc.resurl === undefined) doc.resurl = archiveUrl;
        const archive = this.downloadPath(path.basename(new URL(archiveUrl).pathname));
        if (doc.fileSize === null || doc.fileSize === undefined) {
            doc.fileSize = archive ? fs.statSync(archive).size : 0;
        }
        if ((doc.sha256 === null || doc.sha256 === undefined) && archive) {
            doc.sha256 = crypto.createHash('sha256').update(fs.readFileSync(archive)).digest('hex');
        }
        return doc;
    }

    // Full path of a served update file, or null when the name is unsafe or nothing is there.
    downloadPath(name) {
        if (!isSafeName(name) || name === 'ver.json') return null;
        const file = path.join(this.updateDir, name);
        try {
            return fs.statSync(file).isFile() ? file : null;
        } catch {
            return null;
        }
    }

    // Writes bytes under `dir` as `name`, or name.1, name.2, ... when taken. Returns the name used.
    storeUnique(dir, name, bytes) {
        fs.mkdirSync(dir, { recursive: true });
        const temp = path.join(dir, `.incoming-${process.pid}-${++this.sequence_}`);
        fs.writeFileSync(temp, bytes);
        try {
            for (let n = 0; n < MAX_SAME_NAME; n++) {
                const candidate = n === 0 ? name : `${name}.${n}`;
                try {
                    fs.linkSync(temp, path.join(dir, candidate));
                    return candidate;
                } catch (error) {
                    if (error.code !== 'EEXIST') throw error;
                }
            }
            throw new Error(`more than ${MAX_SAME_NAME} files named ${name}`);
        } finally {
            fs.rmSync(temp, { force: true });
        }
    }

    storeReport(kind, bytes) {
        const dir = path.join(this.dataDir_, 'reports', kind);
        const stored = this.storeUnique(dir, `${stamp(new Date())}-${++this.sequence_}.json`, bytes);
        return path.join(dir, stored);
    }

    storeUpload(name, bytes) {
        const dir = path.join(this.dataDir_, 'uploads');
        return path.join(dir, this.storeUnique(dir, name, bytes));
    }
}

module.exports = { UpdateService, isSafeName };
