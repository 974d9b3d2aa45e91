'use strict';
// Seeded, stream-addressable randomness: every stream is named by a text key, so any day or
// minute of the simulated market can be rebuilt alone and always comes out the same.

// FNV-1a over the key's UTF-16 units, then a final avalanche so near keys give unrelated seeds.
function hashKey(key) {
    let h = 0x811c9dc5;
    for (let i = 0; i < key.length; i++) {
        h ^= key.charCodeAt(i);
        h = Math.imul(h, 0x01000193);
    }
    h ^= h >>> 16;
    h = Math.imul(h, 0x85ebca6b);
    h ^= h >>> 13;
    h = Math.imul(h, 0xc2b2ae35);
    h ^= h >>> 16;
    return h >>> 0;
}

class Random {
    constructor(key) {
        this.state_ = hashKey(String(key)) || 0x9e3779b9;
        this.spare_ = null;
    }

    // mulberry32: small, fast and good enough for a simulated market.
    next() {
        let t = (this.state_ = (this.state_ + 0x6d2b79f5) >>> 0);
        t = Math.imul(t ^ (t >>> 15), t | 1);
        t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
        return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
    }

    // Standard normal deviate (Box-Muller, second value kept for the next call).
    gaussian() {
        if (this.spare_ !== null) {
            const value = this.spare_;
            this.spare_ = null;
            return value;
        }
        let u = 0;
        while (u === 0) u = this.next();
        const radius = Math.sqrt(-2 * Math.log(u));
        const angle = 2 * Math.PI * this.next();
        this.spare_ = radius * Math.sin(angle);
        return radius * Math.cos(angle);
    }

    int(lowInclusive, highInclusive) {
        return lowInclusive + Math.floor(this.next() * (highInclusive - lowInclusive + 1));
    }

    pick(list) {
        return list[Math.floor(this.next() * list.length)];
    }
}

module.exports = { Random, hashKey };
