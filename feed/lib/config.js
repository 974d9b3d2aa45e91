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
        case '--quiet': overrides.quiet = true; break;
        default: throw new Error(`unknown option "${flag}"`);
        }
    }
    return { options: buildOptions(defaults, overrides), help: false };
}

// Merges overrides (already typed) over the defaults and fills in what is derived.
function buildOptions(defaults, overrides) {
    const options = { ...defaults, quiet: false, ...overrides };
    options.update = { ...defaults.update, ...(overrides.update || {}) };
    if (!options.dataDir) options.dataDir = path.join(os.tmpdir(), 'zento-feed');
    options.dataDir = path.resolve(options.dataDir);
    return options;
}

module.exports = { DEFAULTS_FILE, USAGE, loadDefaults, parseArgs, buildOptions };
