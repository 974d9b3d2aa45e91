#!/usr/bin/env node
'use strict';
// Zento's local market-data feed. Prints one line that callers may parse:
//   feed: listening http=HOST:PORT news=HOST:PORT
// and runs until SIGINT or SIGTERM. Exit code 2 for bad options, 1 when it cannot start.

const { USAGE, parseArgs } = require('./lib/config');
const { Feed, startClock } = require('./lib/feed');

async function main() {
    let parsed;
    try {
        parsed = parseArgs(process.argv.slice(2));
    } catch (error) {
        process.stderr.write(`feed: ${error.message}\n${USAGE}\n`);
        process.exit(2);
    }
    if (parsed.help) {
        process.stdout.write(`${USAGE}\n`);
        return;
    }
    const { options } = parsed;
    let feed;
    try {
        feed = new Feed(options, { now: startClock(options.startTimeMs) });
    } catch (error) {
        process.stderr.write(`feed: cannot start: ${error.message}\n`);
        process.exit(1);
    }

    // Handlers go in before the listening line: a caller may signal as soon as it reads it.
    let stopping = false;
    const stop = async (signal) => {
        if (stopping) return;
        stopping = true;
        feed.log.info(`${signal}: stopping`);
        await feed.stop();
        process.stdout.write('feed: stopped\n');
        process.exit(0);
    };
    process.on('SIGINT', () => stop('SIGINT'));
    process.on('SIGTERM', () => stop('SIGTERM'));
    // Whatever slips through a handler is logged; the service keeps serving.
    process.on('uncaughtException', (error) => feed.log.error(`uncaught: ${error.stack || error}`));
    process.on('unhandledRejection', (error) => feed.log.error(`unhandled: ${error && error.stack ? error.stack : error}`));

    try {
        await feed.start();
    } catch (error) {
        process.stderr.write(`feed: ${error.message}\n`);
        process.exit(1);
    }
    if (stopping) return;
    process.stdout.write(`feed: listening http=${options.host}:${feed.ports.http} news=${options.host}:${feed.ports.news}\n`);
    const clock = options.startTimeMs === null ? 'system clock' : `clock from ${new Date(options.startTimeMs).toISOString()}`;
    feed.log.info(`data folder ${options.dataDir}, seed ${options.seed}, history ${options.historyDays} days, ${clock}`);
}

main();
