'use strict';
// Options of the feed: the shared defaults file, overridden by command-line flags.
// The terminal's build reads the same defaults file, so a value changed there moves both sides.

const fs = require('fs');
const os = require('os');
const path = require('path');

const DEFAULTS_FILE = path.join(__dirname, '..', 'defaults.json');

const USAGE = `usage: node feed/server.js [options]
  --host H            address to listen on (default from defaults.json: 127.0.0.1)
  --port P            HTTP services and market stream port, 0 = any free port
  --news-port Q       news stream and news history port, 0 = any free port
  --seed N            seed of the simulated market and news
  --data DIR          folder for uploads, reports and served update files
  --history-days D    how far back K-line history reaches
  --open-weekends     keep the market open on Saturdays and Sundays
  --start-time T      run the clock from T (UTC, 2024-05-15T13:30:00Z, or seconds since 1970)
                      instead of now: with the same seed, every run serves the same bars
  --news-interval MS  mean time between live news records (default from defaults.json: 8000)
  --burst N           load test: N quotes and N/10 bar messages a second to each client, spread
                      over the second, instead of the market's own pace (0 = that pace)
  --throttle-downloads B   send update files at B bytes a second (0 = at full speed)
  --cut-downloads-after P  test option: break every update-file answer off after P % of the file
  --quiet             log only warnings and errors
  --help              show this text`;

function loadDefaults(file = DEFAULTS_FILE) {
    return JSON.parse(fs.readFileSync(file, 'utf8'));
}

function parseInteger(flag, text, min, max) {
    if (!/^\d+$/.test(text || '')) throw new Error(`${flag} needs a whole number, got "${text}"`);
    const value = Number(text);
    if (value < min || value > max) throw new Error(`${flag} must lie between ${min} and ${max}, got ${value}`);
    return value;
}

// The market's calendar starts on 2001-01-01; a clock must also stay clear of the far future.
const START_TIME_MIN_MS = Date.UTC(2001, 0, 1);
const START_TIME_MAX_MS = Date.UTC(2100, 0, 1);
// Far above what a terminal can take; keeps a typo from saturating the service.
const BURST_MAX = 100000;
// Tests want records within moments; a day between records is as slow as it sensibly gets.
const NEWS_INTERVAL_MIN_MS = 10;
const NEWS_INTERVAL_MAX_MS = 86400000;

// Milliseconds since 1970 of a UTC date-time ("2024-05-15T13:30:00Z", seconds and zone optional,
// fraction allowed) or of whole seconds since 1970.
function parseStartTime(flag, text) {
    let ms = NaN;
    if (/^\d+$/.test(text || '')) {
        ms = Number(text) * 1000;
    } else {
        const match = /^(\d{4})-(\d{2})-(\d{2})[T ](\d{2}):(\d{2})(?::(\d{2})(\.\d{1,3})?)?Z?$/.exec(text || '');
        if (match) {
            const [, y, mo, d, h, mi, sec = '0', fraction = ''] = match;
            ms = Date.UTC(+y, +mo - 1, +d, +h, +mi, +sec, fraction ? Math.round(Number(fraction) * 1000) : 0);
            // Date.UTC rolls 2024-02-31 over to March: only a date that exists comes back unchanged.
            const back = new Date(ms);
            if (back.getUTCMonth() !== +mo - 1 || back.getUTCDate() !== +d || +h > 23 || +mi > 59 || +sec > 59) ms = NaN;
        }
    }
    if (!Number.isFinite(ms)) {
        throw new Error(`${flag} needs a UTC time like 2024-05-15T13:30:00Z or seconds since 1970, got "${text}"`);
    }
    if (ms < START_TIME_MIN_MS || ms >= START_TIME_MAX_MS) {
        throw new Error(`${flag} must lie between 2001-01-01 and 2100-01-01, got "${text}"`);
    }
    return ms;
}

// Returns {options, help}; throws an Error whose message suits the command line on bad input.
function parseArgs(argv, defaults = loadDefaults()) {
    const options = buildOptions(defaults, {});
    const overrides = {};
    for (let i = 0; i < argv.length; i++) {
        const flag = argv[i];
        const needValue = () => {
            if (i + 1 >= argv.length) throw new Error(`${flag} needs a value`);
            return argv[++i];
        };
        switch (flag) {
        case '--help': case '-h': return { options, help: true };
        case '--host': overrides.host = needValue(); break;
        case '--port': overrides.httpPort = parseInteger(flag, needValue(), 0, 65535); break;
        case '--news-port': overrides.newsPort = parseInteger(flag, needValue(), 0, 65535); break;
        case '--seed': overrides.seed = parseInteger(flag, needValue(), 0, 0xffffffff); break;
        case '--data': overrides.dataDir = needValue(); break;
        case '--history-days': overrides.historyDays = parseInteger(flag, needValue(), 1, 3650); break;
        case '--open-weekends': overrides.weekendClosed = false; break;
        case '--start-time': overrides.startTimeMs = parseStartTime(flag, needValue()); break;
        case '--news-interval':
            overrides.newsIntervalMs = parseInteger(flag, needValue(), NEWS_INTERVAL_MIN_MS, NEWS_INTERVAL_MAX_MS);
            break;
        case '--burst': overrides.burst = parseInteger(flag, needValue(), 0, BURST_MAX); break;
        case '--throttle-downloads': overrides.throttleDownloads = parseInteger(flag, needValue(), 0, 1e9); break;
        case '--cut-downloads-after': overrides.cutDownloadsAfter = parseInteger(flag, needValue(), 0, 99); break;
        case '--quiet': overrides.quiet = true; break;
        default: throw new Error(`unknown option "${flag}"`);
        }
    }
    return { options: buildOptions(defaults, overrides), help: false };
}

// Merges overrides (already typed) over the defaults and fills in what is derived.
function buildOptions(defaults, overrides) {
    const options = { ...defaults, quiet: false, startTimeMs: null, burst: 0, throttleDownloads: 0,
        cutDownloadsAfter: 0, ...overrides };
    options.update = { ...defaults.update, ...(overrides.update || {}) };
    if (!options.dataDir) options.dataDir = path.join(os.tmpdir(), 'zento-feed');
    options.dataDir = path.resolve(options.dataDir);
    return options;
}

module.exports = { DEFAULTS_FILE, USAGE, loadDefaults, parseArgs, buildOptions };
