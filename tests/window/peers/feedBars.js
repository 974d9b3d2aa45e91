'use strict';
// Prints the local feed's own bars of one instrument and time type, from the oldest bar its history
// reaches to the newest complete bar, one "time,open,high,low,close,volume" line each. The window
// tests compare a series loaded from the running feed over HTTP with them.
//
// usage: node feedBars.js <feed folder> <symbol> <ttype> <history days>

const path = require('path');

const [feedArg, symbol, ttypeText, daysText] = process.argv.slice(2);
const feedDir = path.resolve(feedArg);
const { loadDefaults, buildOptions } = require(path.join(feedDir, 'lib', 'config'));
const { MarketModel } = require(path.join(feedDir, 'lib', 'market'));
const { HistoryService } = require(path.join(feedDir, 'lib', 'history'));

const options = buildOptions(loadDefaults(), { historyDays: Number(daysText) });
const market = new MarketModel({ seed: options.seed, weekendClosed: options.weekendClosed });
const history = new HistoryService(market, options);
const ttype = Number(ttypeText);
const now = Date.now();
const first = history.oldestIndex(ttype, now);
const bars = market.bars(symbol, ttype, first, market.completeCount(ttype, now), now);
process.stdout.write(history.csv(symbol, bars));
