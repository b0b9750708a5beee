// The song of the show. The show is timed by order position and row, so the
// form is fixed: 16 channels, speed 8 at 125 BPM (a row is 160 ms; sixteen
// rows make a bar of 4/4 at 93.75 beats per minute), orders
// 0 0 1 1 2 3 4 7 5 6 8, patterns of 64 rows and pattern 8 left out of the
// file so that the last order position plays 64 silent rows.
//
//   pattern 0  intro: pad and bells, bass and a soft beat join at row 32
//   pattern 1  main theme, Am F C G; kicks on the camera pulse rows, echo
//              stabs where the words flash
//   pattern 2  main theme, second half: F G Em Am
//   pattern 3  breakdown, Dm Am Bb E, fading at row 32, a riser from row 48
//   pattern 4  second theme, four to the floor: F C Dm Am
//   pattern 7  second theme, continued: F C G E
//   pattern 5  the main theme once more while the bars close: Am F Dm E
//   pattern 6  the ending on A minor, fading to silence
//
// Tracks are written as text, one token per row:
//   .        nothing
//   C-4 C#4  a note of the track's instrument
//   ==       key off
//   -        no note, for a row that only has a volume or an effect
// followed by any of
//   @20      set volume (hex, 00..40)
//   :A04     an effect: letter and parameter in hex (0-9, A-F as in the
//            file; R is the multi retrigger)
// A '|' is a bar line: it takes no row, and the bar before it must have 16.

#include "composition.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "synth.h"

namespace {

// Channels.
constexpr int kick = 0, snare = 1, hat = 2, cymbal = 3, bass = 4, pad = 5 /* 5..7 */, stab = 8 /* 8..10 */,
              lead = 11, echo = 12, bell = 13, bellEcho = 14, perc = 15;
// Instruments.
constexpr int iKick = 1, iStab = 2, iSnare = 3, iHat = 4, iBass = 5, iPad = 6, iLead = 7, iBell = 8, iNoise = 9,
              iRiser = 10, iTom = 11;

constexpr int channelCount = 16;

// The mix: each channel's volumes in the tracks below are scaled by its
// level here (percent), so the balance is set in one place.
constexpr int mixLevel[16] = {
    100,            // kick
    130,            // snare
    160,            // hat
    100,            // cymbal
    100,            // bass
    125, 125, 125,  // pad
    110, 110, 110,  // echo stab
    120,            // lead
    120,            // lead echo
    120,            // bell
    120,            // bell echo
    100,            // toms
};
constexpr int rowsPerPattern = 64;

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "songgen: %s\n", what.c_str());
    std::exit(1);
}

int hexDigit(char c, const std::string& token) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    fail("bad hex digit in '" + token + "'");
}

int hexByte(const std::string& token, size_t at) {
    if (at + 2 > token.size()) fail("missing hex value in '" + token + "'");
    return hexDigit(token[at], token) * 16 + hexDigit(token[at + 1], token);
}

// "C-4" or "C#4" at the start of a token: 1 (C-0) .. 96 (B-7).
int parseNote(const std::string& token) {
    static const char* names[12] = {"C-", "C#", "D-", "D#", "E-", "F-", "F#", "G-", "G#", "A-", "A#", "B-"};
    if (token.size() < 3 || token[2] < '0' || token[2] > '7') fail("bad note '" + token + "'");
    for (int i = 0; i < 12; ++i)
        if (token.compare(0, 2, names[i]) == 0) return (token[2] - '0') * 12 + i + 1;
    fail("bad note '" + token + "'");
}

int effectNumber(char letter, const std::string& token) {
    if (letter >= '0' && letter <= '9') return letter - '0';
    if (letter >= 'A' && letter <= 'F') return letter - 'A' + 10;
    switch (letter) {
        case 'G': return 16;  // global volume
        case 'H': return 17;  // global volume slide
        case 'P': return 25;  // panning slide
        case 'R': return 27;  // multi retrigger
        default: fail("unknown effect in '" + token + "'");
    }
}

XmCell parseToken(const std::string& token, int instrument) {
    XmCell c;
    size_t at = 0;
    bool withInstrument = true;
    if (token == ".") return c;
    if (token.compare(0, 2, "==") == 0) {
        c.note = 97;
        withInstrument = false;
        at = 2;
    } else if (token[0] == '-') {
        withInstrument = false;
        at = 1;
    } else {
        c.note = static_cast<uint8_t>(parseNote(token));
        at = 3;
    }
    while (at < token.size()) {
        const char m = token[at];
        if (m == '@') {
            const int v = hexByte(token, at + 1);
            if (v > 0x40) fail("volume above 40 in '" + token + "'");
            c.volume = static_cast<uint8_t>(0x10 + v);
            at += 3;
        } else if (m == ':') {
            if (at + 4 > token.size()) fail("short effect in '" + token + "'");
            if (c.effect != 0 || c.parameter != 0) fail("two effects in '" + token + "'");
            c.effect = static_cast<uint8_t>(effectNumber(token[at + 1], token));
            c.parameter = static_cast<uint8_t>(hexByte(token, at + 2));
            at += 4;
        } else {
            fail("cannot read '" + token + "'");
        }
    }
    if (c.effect == 3 || c.effect == 5) withInstrument = false;  // a glide keeps the sounding note
    if (withInstrument && c.note != 0) c.instrument = static_cast<uint8_t>(instrument);
    return c;
}

struct Composer {
    XmSong& song;

    XmCell& cell(int p, int ch, int row) {
        if (p < 0 || p >= static_cast<int>(song.patterns.size()) || ch < 0 || ch >= channelCount || row < 0 ||
            row >= rowsPerPattern)
            fail("pattern " + std::to_string(p) + " channel " + std::to_string(ch) + " row " +
                 std::to_string(row) + " is outside the song");
        return song.patterns[static_cast<size_t>(p)].cells[static_cast<size_t>(row * channelCount + ch)];
    }

    // Stores a cell, its volume set by the channel's level in the mix.
    void place(int p, int ch, int row, XmCell c) {
        if (c.volume >= 0x10 && c.volume <= 0x50) {
            const int level = (c.volume - 0x10) * mixLevel[ch] / 100;
            c.volume = static_cast<uint8_t>(0x10 + std::min(level, 0x40));
        }
        cell(p, ch, row) = c;
    }

    // Writes one token per row from `row` on.
    void track(int p, int ch, int instrument, int row, const char* text) {
        const std::string bars(text);
        size_t barStart = 0;
        while (barStart <= bars.size()) {
            size_t barEnd = bars.find('|', barStart);
            const bool lastBar = barEnd == std::string::npos;
            if (lastBar) barEnd = bars.size();
            const int rows = trackBar(p, ch, instrument, row, bars.substr(barStart, barEnd - barStart));
            if (!lastBar && rows != 16)
                fail("a bar of " + std::to_string(rows) + " rows in pattern " + std::to_string(p) + " channel " +
                     std::to_string(ch));
            row += rows;
            barStart = barEnd + 1;
        }
    }

    int trackBar(int p, int ch, int instrument, int row, const std::string& text) {
        std::istringstream in(text);
        std::string token;
        int rows = 0;
        while (in >> token) {
            const XmCell c = parseToken(token, instrument);
            if (token != ".") place(p, ch, row + rows, c);
            ++rows;
        }
        return rows;
    }

    // A drum line: each character is a row; a character listed in `hits`
    // plays `note` at the volume given for it, anything else is a rest.
    void grid(int p, int ch, int instrument, const char* note, int row, int times, const char* line,
              const char* hits, const int* volumes) {
        const size_t length = std::strlen(line);
        for (int t = 0; t < times; ++t)
            for (size_t i = 0; i < length; ++i) {
                const char* hit = std::strchr(hits, line[i]);
                if (line[i] == ' ' || !hit) continue;
                char token[16];
                std::snprintf(token, sizeof token, "%s@%02X", note, volumes[hit - hits]);
                place(p, ch, row + t * static_cast<int>(length) + static_cast<int>(i), parseToken(token, instrument));
            }
    }

    // A chord of up to three notes on neighbouring channels, all with the
    // same modifiers ("@20", ":A01", ...).
    void chord(int p, int firstChannel, int instrument, int row, const char* notes, const char* modifiers = "") {
        std::istringstream in(notes);
        std::string note;
        int ch = firstChannel;
        while (in >> note) track(p, ch++, instrument, row, (note + modifiers).c_str());
    }

    // A quieter copy of a track, `delay` rows later, on another channel and
    // pushed to one side: a tempo-synced echo.
    void delay(int p, int from, int to, int instrument, int rows, int volume, int panning) {
        for (int row = rowsPerPattern - 1 - rows; row >= 0; --row) {
            XmCell source = cell(p, from, row);
            if (source.note == 0) continue;
            XmCell c;
            c.note = source.note;
            if (source.note != 97) {
                c.instrument = static_cast<uint8_t>(instrument);
                c.volume = static_cast<uint8_t>(0x10 + volume);
                c.effect = 8;
                c.parameter = static_cast<uint8_t>(panning);
            }
            place(p, to, row + rows, c);
        }
    }
};

const char kickHits[] = "xo";
const int kickVolumes[] = {0x40, 0x24};
// Four to the floor sits a little lower than the syncopated main kick.
const char floorHits[] = "o";
const int floorVolumes[] = {0x36};
const char hatHits[] = "hHg";
const int hatVolumes[] = {0x24, 0x34, 0x14};

// The main groove: kick on the camera pulse rows (0, 3, 10, 13 of every bar),
// snare on the back beat with a delayed ghost note, hats in eighths.
void mainGroove(Composer& c, int p, bool fill) {
    c.grid(p, kick, iKick, "C-4", 0, 4, "x..x......x..x..", kickHits, kickVolumes);
    for (int bar = 0; bar < 4; ++bar) {
        const int r = bar * 16;
        c.track(p, snare, iSnare, r, ". . . . C-4@30 . . C-4@0C:ED4 . . . . C-4@30 . . .");
        c.grid(p, hat, iHat, "A-4", r, 1, "h.H.h.Hgh.H.h.Hg", hatHits, hatVolumes);
    }
    c.track(p, cymbal, iNoise, 0, "C-5@24");
    if (fill) {
        // Tom run down into the next part, each hit sliding down.
        c.track(p, perc, iTom, 56, "G-4@30:208 . E-4@30:208 . C-4@34:208 . A-3@38:20C .");
        c.track(p, snare, iSnare, 60, "C-4@18:E94 C-4@20:E94 C-4@28:E92 C-4@30:E92");
    }
}

// Echo stabs where the words flash: rows 0, 3, 10, 13, 16, 19, 26, 32, 35.
void wordStabs(Composer& c, int p, const char* first, const char* second, const char* third) {
    const char* chords[] = {first, first, first, first, second, second, second, third, third};
    const int rows[] = {0, 3, 10, 13, 16, 19, 26, 32, 35};
    for (int i = 0; i < 9; ++i) c.chord(p, stab, iStab, rows[i], chords[i], rows[i] == 0 || rows[i] == 32 ? "@24" : "@1C");
    c.chord(p, stab, iStab, 40, "== == ==");
}

void intro(Composer& c) {
    const int p = 0;
    c.track(p, kick, iKick, 0, "-:G40");  // full global volume at every start
    c.chord(p, pad, iPad, 0, "A-3 C-4 E-4", "@1C");
    c.chord(p, pad, iPad, 16, "A-3 C-4 F-4", "@1E");
    c.chord(p, pad, iPad, 32, "G-3 C-4 E-4", "@20");
    c.chord(p, pad, iPad, 48, "G-3 B-3 D-4", "@20");
    c.track(p, bell, iBell, 0,
            "A-4@1C . C-5@1C . E-5@1E . A-5@20 . E-5@1C . C-5@1C . B-4@1C . C-5@1A . |"
            "A-4@1E . C-5@1E . F-5@20 . A-5@22 . F-5@1E . C-5@1E . A-4@1C . C-5@1C . |"
            "G-4@20 . C-5@20 . E-5@22 . G-5@24 . E-5@20 . C-5@20 . D-5@20 . E-5@20 . |"
            "G-4@22 . B-4@22 . D-5@24 . G-5@26 . D-5@22 . B-4@22 . A-4@20 . B-4@20 .");
    c.delay(p, bell, bellEcho, iBell, 3, 0x10, 0xD0);
    // The model appears at row 32: a stab and a cymbal, the bass and a soft beat join.
    c.chord(p, stab, iStab, 32, "G-4 C-5 E-5", "@20");
    c.chord(p, stab, iStab, 44, "== == ==");
    c.track(p, cymbal, iNoise, 32, "C-5@20");
    c.track(p, bass, iBass, 32,
            "C-2@2C . . . . . . . C-2@24 . . C-3@20 . . C-2@24 . |"
            "G-1@2C . . . . . . . G-1@24 . . G-2@20 . . B-1@24:302 .");
    c.grid(p, kick, iKick, "C-4", 32, 1, "x.......o.......x.......o...o...", kickHits, kickVolumes);
    c.grid(p, hat, iHat, "A-4", 48, 1, "g.h.g.h.g.h.g.hh", hatHits, hatVolumes);
    c.track(p, snare, iSnare, 52, "C-4@20 . . . . . . . C-4@1C:E94 . C-4@20:E94 C-4@28:E92");
}

// The main theme, in two parts on the same groove: kicks on the camera
// pulse rows and echo stabs where the words flash.
struct MainThemePart {
    int pattern;
    bool fill;                  // a tom run and a snare roll at the end
    const char* padChords[4];   // one per bar
    const char* stabChords[3];  // for the words of bars 1, 2 and 3
    const char* bassLine;
    const char* leadLine;
};

void mainThemePart(Composer& c, const MainThemePart& part) {
    const int p = part.pattern;
    mainGroove(c, p, part.fill);
    for (int bar = 0; bar < 4; ++bar) c.chord(p, pad, iPad, bar * 16, part.padChords[bar], "@18");
    wordStabs(c, p, part.stabChords[0], part.stabChords[1], part.stabChords[2]);
    c.track(p, bass, iBass, 0, part.bassLine);
    c.track(p, lead, iLead, 0, part.leadLine);
    c.delay(p, lead, echo, iLead, 3, 0x0E, 0x30);
}

const char mainThemeBass[] =
    "A-2@30 . . A-3@28 == . A-2@2C . A-2@28 . A-3@28 . == A-2@2C . G-2@24 |"
    "F-2@30 . . F-3@28 == . F-2@2C . F-2@28 . F-3@28 . == F-2@2C . E-2@24 |";
const char mainThemeLead[] =
    "A-4@24 . . C-5@24 . . E-5@28 . D-5@24 . C-5@24 . . D-5@24 . . |"
    "C-5@28 . -:483 -:400 -:400 . A-4@24 . G-4@24 . A-4@24 . . C-5@24 . . |";

void mainTheme(Composer& c) {
    mainThemePart(c, {
        1,  // orders 2 and 3: Am F C G
        false,
        {"A-3 C-4 E-4", "A-3 C-4 F-4", "G-3 C-4 E-4", "G-3 B-3 D-4"},
        {"A-4 C-5 E-5", "A-4 C-5 F-5", "G-4 C-5 E-5"},
        (std::string(mainThemeBass) +
         "C-2@30 . . C-3@28 == . C-2@2C . C-2@28 . C-3@28 . == C-2@2C . D-2@24 |"
         "G-1@30 . . G-2@28 == . G-1@2C . G-1@28 . G-2@28 . == G-2@2C . G#2@28:304")
            .c_str(),
        (std::string(mainThemeLead) +
         "E-5@28 . . D-5@24 . . C-5@24 . D-5@24 . E-5@24 . . G-5@28 . . |"
         "G-5@28 . . D-5:310 -:310 -:310 -:483 -:400 -:400 -:400 -:400 -:400 == . B-4@20 .")
            .c_str(),
    });
    mainThemePart(c, {
        2,  // order 4: F G Em Am
        true,
        {"A-3 C-4 F-4", "G-3 B-3 D-4", "G-3 B-3 E-4", "A-3 C-4 E-4"},
        {"A-4 C-5 F-5", "G-4 B-4 D-5", "G-4 B-4 E-5"},
        "F-2@30 . . F-3@28 == . F-2@2C . F-2@28 . F-3@28 . == F-2@2C . F#2@24 |"
        "G-2@30 . . G-3@28 == . G-2@2C . G-2@28 . G-3@28 . == G-2@2C . D-2@24 |"
        "E-2@30 . . E-3@28 == . E-2@2C . E-2@28 . E-3@28 . == E-2@2C . G-2@24 |"
        "A-2@30 . . A-3@28 == . A-2@2C . A-2@28 . A-3@28 . == A-2@2C . E-2@24",
        "A-4@24 . . C-5@24 . . F-5@28 . E-5@24 . C-5@24 . . A-4@24 . . |"
        "B-4@28 . -:483 -:400 -:400 . D-5@24 . G-5@28 . D-5@24 . . B-4@24 . . |"
        "E-5@28 . . G-5@24 . . B-5@28 . A-5@24 . G-5@24 . . E-5@24 . . |"
        "A-5@2C . -:483 -:400 -:400 -:400 -:400 -:400 == . E-5@1C . C-5@1C . == .",
    });
}

void breakdown(Composer& c) {
    const int p = 3;  // order 5: the title fades from row 32, the model from row 48
    c.chord(p, pad, iPad, 0, "A-3 D-4 F-4", "@20");
    c.chord(p, pad, iPad, 16, "A-3 C-4 E-4", "@20");
    c.chord(p, pad, iPad, 32, "A#3 D-4 F-4", "@1C");
    c.chord(p, pad, iPad, 48, "G#3 B-3 E-4", "@18");
    // The camera still pulses here: soft kicks keep the rows for the first half.
    c.grid(p, kick, iKick, "C-4", 0, 2, "o..o......o..o..", kickHits, kickVolumes);
    c.track(p, bass, iBass, 0,
            "D-2@34 . . . . . . . . . . . . . . . |"
            "A-1@34 . . . . . . . . . . . . . C-2@28:303 . |"
            "A#1@30 . . . . . . . . . . . . . . == |"
            "E-2@30 . . . . . . . == . . . . . . .");
    c.track(p, lead, iLead, 0,
            "F-5@28 . . . -:483 -:400 -:400 -:400 E-5@24 . . . D-5@24 . . . |"
            "C-5@28 . . . -:483 -:400 -:400 -:400 E-5@24 . . . A-5@28 . -:483 -:400 |"
            "F-5@24 . . . -:483 -:601 -:A01 -:A01 D-5@1C:A01 -:A01 -:A01 -:A01 == . . .");
    c.delay(p, lead, echo, iLead, 3, 0x0C, 0xC8);
    c.track(p, bell, iBell, 0,
            "D-6@14 . . . . . A-5@10 . . . . . F-5@10 . . . |"
            "E-6@14 . . . . . C-6@10 . . . . . A-5@10");
    c.delay(p, bell, bellEcho, iBell, 3, 0x0C, 0x40);
    // Riser into the second theme: noise sliding up and swelling, a snare
    // roll that doubles its rate.
    c.track(p, cymbal, iRiser, 48,
            "C-3@04:104 -@06:104 -@08:104 -@0A:104 -@0C:104 -@0E:104 -@10:104 -@12:104 "
            "-@14:104 -@16:104 -@18:104 -@1A:104 -@1C:104 -@1E:104 -@20:104 -@00");
    c.track(p, snare, iSnare, 48,
            "C-4@08 . C-4@0A . C-4@0C . C-4@0E . C-4@10:E94 C-4@12:E94 C-4@14:E94 C-4@16:E94 "
            "C-4@1A:E92 C-4@1E:E92 C-4@24:E92 .");
}

// The second theme, four to the floor, in two parts that share the groove.
struct SecondThemePart {
    int pattern;
    const char* stabChords[4];  // one echo-stab chord per bar: its envelope loop beats eighths
    const char* padChords[3];   // chords at rows 0, 32 and 48 (null: keep the last)
    const char* bassLine;
    const char* bellLine;       // chord arpeggios on the bell
    const char* leadLine;
};

void secondThemePart(Composer& c, const SecondThemePart& part) {
    const int p = part.pattern;
    c.grid(p, kick, iKick, "C-4", 0, 4, "o...o...o...o...", floorHits, floorVolumes);
    for (int bar = 0; bar < 4; ++bar) {
        const int r = bar * 16;
        c.track(p, snare, iSnare, r, ". . . . C-4@26 . . . . . . . C-4@26 . . C-4@0A:ED5");
        c.track(p, hat, iHat, r,
                "A-4@14 A-4@0C . A-4@0C A-4@14 A-4@0C . A-4@0C A-4@14 A-4@0C . A-4@0C A-4@14 A-4@0C . A-4@10:R82");
        c.track(p, cymbal, iNoise, r, ". . D-6@18:EC3 . . . D-6@18:EC3 . . . D-6@18:EC3 . . . D-6@1C:EC4 .");
        c.chord(p, stab, iStab, r, part.stabChords[bar], "@18");
    }
    c.track(p, cymbal, iNoise, 0, "C-5@28");
    const int padRows[3] = {0, 32, 48};
    for (int i = 0; i < 3; ++i)
        if (part.padChords[i]) c.chord(p, pad, iPad, padRows[i], part.padChords[i], "@10");
    c.track(p, bass, iBass, 0, part.bassLine);
    c.track(p, bell, iBell, 0, part.bellLine);
    c.track(p, lead, iLead, 0, part.leadLine);
    c.delay(p, lead, echo, iLead, 3, 0x0C, 0xD0);
}

void secondTheme(Composer& c) {
    secondThemePart(c, {
        4,  // order 6: the particle cloud
        {"A-4 C-5 F-5", "G-4 C-5 E-5", "A-4 D-5 F-5", "A-4 C-5 E-5"},
        {"F-3 C-4 A-4", "D-3 A-3 F-4", nullptr},
        "F-2@30 . F-3@24 . F-2@30 . F-3@24 . F-2@30 . F-3@24 . F-2@30 . E-2@2C:303 . |"
        "C-2@30 . C-3@24 . C-2@30 . C-3@24 . C-2@30 . C-3@24 . C-2@30 . D-2@2C:303 . |"
        "D-2@30 . D-3@24 . D-2@30 . D-3@24 . D-2@30 . D-3@24 . D-2@30 . C-2@2C:303 . |"
        "A-1@30 . A-2@24 . A-1@30 . A-2@24 . A-1@30 . A-2@24 . G-1@30 . G-2@24:104 .",
        "F-5@18:047 . . . F-5@14:047 . . . F-5@18:047 . . . F-5@14:047 . . . |"
        "C-5@18:047 . . . C-5@14:047 . . . C-5@18:047 . . . C-5@14:047 . . . |"
        "D-5@18:037 . . . D-5@14:037 . . . D-5@18:037 . . . D-5@14:037 . . . |"
        "A-4@18:037 . . . A-4@14:037 . . . A-4@18:037 . . . A-4@14:037 . . .",
        "A-5@24 . . . . . G-5@20 . F-5@20 . . . G-5@20 . . . |"
        "E-5@24 . . . -:483 -:400 -:400 -:400 C-5@20 . . . D-5@20 . . . |"
        "F-5@24 . . . . . E-5@20 . D-5@20 . . . A-5@24 . . . |"
        "E-5@24 . . . -:483 -:400 -:400 -:400 C-5@20 . . . D-5@20 . == .",
    });
    secondThemePart(c, {
        7,  // order 7: the credits
        {"A-4 C-5 F-5", "G-4 C-5 E-5", "G-4 B-4 D-5", "G#4 B-4 E-5"},
        {"F-3 C-4 A-4", "G-3 D-4 B-4", "E-3 B-3 G#4"},
        "F-2@30 . F-3@24 . F-2@30 . F-3@24 . F-2@30 . F-3@24 . F-2@30 . E-2@2C:303 . |"
        "C-2@30 . C-3@24 . C-2@30 . C-3@24 . C-2@30 . C-3@24 . C-2@30 . D-2@2C:303 . |"
        "G-2@30 . G-3@24 . G-2@30 . G-3@24 . G-2@30 . G-3@24 . G-2@30 . F#2@2C:303 . |"
        "E-2@30 . E-3@24 . E-2@30 . E-3@24 . E-2@30 . E-3@24 . E-2@30 E-3@24 G#2@28 B-2@28",
        "F-5@18:047 . . . F-5@14:047 . . . F-5@18:047 . . . F-5@14:047 . . . |"
        "C-5@18:047 . . . C-5@14:047 . . . C-5@18:047 . . . C-5@14:047 . . . |"
        "G-5@18:047 . . . G-5@14:047 . . . G-5@18:047 . . . G-5@14:047 . . . |"
        "E-5@18:047 . . . E-5@14:047 . . . E-5@18:047 . . . E-5@14:047 . . .",
        "C-6@24 . . . -:483 -:400 A-5@20 . G-5@20 . . . A-5@20 . . . |"
        "G-5@24 . . . -:483 -:400 -:400 -:400 E-5@20 . . . G-5@20 . . . |"
        "B-5@24 . . D-6:310 -:310 -:483 -:400 -:400 C-6@20 . . . B-5@20 . . . |"
        "G#5@24 . . . -:483 -:400 -:400 -:400 -:400 -:400 -:400 -:400 == . . .",
    });
    // A roll into the main theme's return.
    c.track(7, snare, iSnare, 56, ". . . . C-4@18:E94 C-4@20:E94 C-4@28:E92 C-4@30:E92");
}

void closing(Composer& c) {
    const int p = 5;  // order 8: the bars close
    c.grid(p, kick, iKick, "C-4", 0, 3, "x..x......x..x..", kickHits, kickVolumes);
    for (int bar = 0; bar < 3; ++bar) {
        c.track(p, snare, iSnare, bar * 16, ". . . . C-4@2C . . . . . . . C-4@2C . . .");
        c.grid(p, hat, iHat, "A-4", bar * 16, 1, "h.H.h.Hgh.H.h.Hg", hatHits, hatVolumes);
    }
    c.grid(p, hat, iHat, "A-4", 48, 1, "g.h.g.h.g.h.g.h.", hatHits, hatVolumes);
    c.track(p, cymbal, iNoise, 0, "C-5@28");
    c.chord(p, pad, iPad, 0, "A-3 C-4 E-4", "@18");
    c.chord(p, pad, iPad, 16, "A-3 C-4 F-4", "@18");
    c.chord(p, pad, iPad, 32, "A-3 D-4 F-4", "@18");
    c.chord(p, pad, iPad, 48, "G#3 B-3 E-4", "@18");
    // The main theme's first two bars, then a turn to the dominant.
    c.track(p, bass, iBass, 0,
            (std::string(mainThemeBass) +
             "D-2@30 . . D-3@28 == . D-2@2C . D-2@28 . D-3@28 . == D-2@2C . D#2@24 |"
             "E-2@30 . . . . . . . -:A02 . . . . . == .")
                .c_str());
    c.track(p, lead, iLead, 0,
            (std::string(mainThemeLead) +
             "F-5@28 . . E-5@24 . . D-5@24 . E-5@24 . F-5@24 . . A-5@28 . . |"
             "G#5@28 . -:483 -:400 -:400 -:400 -:400 -:400 B-5:308 -:308 -:483 -:601 -:A02 -:A02 == .")
                .c_str());
    c.delay(p, lead, echo, iLead, 3, 0x0E, 0x30);
    c.chord(p, stab, iStab, 48, "G#4 B-4 E-5", "@1C");
    c.chord(p, stab, iStab, 60, "== == ==");
}

void ending(Composer& c) {
    const int p = 6;  // order 9: the logo fades out, and so does the music
    c.track(p, kick, iKick, 0, "C-4@40");
    c.track(p, cymbal, iNoise, 0, "C-5@30");
    // The A minor chord rings on and thins out: slides down every four rows,
    // released at row 40, gone (fadeout) a dozen rows later.
    c.chord(p, pad, iPad, 0, "A-3 C-4 E-4", "@20");
    for (int ch = pad; ch < pad + 3; ++ch)
        c.track(p, ch, iPad, 16, "-:A01 . . . . . . . -:A01 . . . . . . . -:A01 . . . . . . . ==");
    c.chord(p, stab, iStab, 0, "A-4 C-5 E-5", "@20");
    c.chord(p, stab, iStab, 12, "== == ==");
    c.track(p, bass, iBass, 0, "A-1@34 . . . . . . . . . . . . . . . -:A01 . . . . . . . -:A01 . . . . . . . ==");
    c.track(p, lead, iLead, 0,
            "E-5@24 . . . C-5@20 . . . A-4@24 . -:483 -:400 -:400 -:400 -:601 -:601 |"
            "-:601 -:601 -:601 -:601 == . . . . . . . . . . .");
    c.delay(p, lead, echo, iLead, 3, 0x0C, 0xD0);
    c.track(p, bell, iBell, 0,
            "E-6@18 . . . C-6@14 . . . A-5@14 . . . E-5@10 . . . |"
            "C-5@0C . . . A-4@08 . . . . . . . . . . . |"
            "E-5@06 . . . . . . . A-5@04");
    c.delay(p, bell, bellEcho, iBell, 3, 0x08, 0x40);
    // Whatever still sounds is set to volume 0 before the last row: the
    // pattern ends in silence and so does the show.
    for (int ch = 0; ch < channelCount; ++ch) c.track(p, ch, 0, 62, "-@00");
}

}  // namespace

XmSong composeSong() {
    XmSong song;
    song.name = "zandivorium 2001";
    song.tracker = "lumen songgen";
    song.channels = channelCount;
    song.speed = 8;
    song.bpm = 125;
    song.linearFrequencies = true;
    song.restartPosition = 0;
    song.orders = {0, 0, 1, 1, 2, 3, 4, 7, 5, 6, 8};
    song.storedPatterns = 8;  // pattern 8 is named by the last order but not stored: 64 silent rows
    song.patterns.resize(8);
    for (XmPattern& p : song.patterns) {
        p.rows = rowsPerPattern;
        p.cells.assign(static_cast<size_t>(rowsPerPattern * channelCount), XmCell{});
    }

    song.instruments = {makeKick(), makeStab(),  makeSnare(),      makeHat(),        makeBass(),
                        makePad(),  makeLead(),  makeBell(),       makeNoise(),      makeRiser(),
                        makeTom(),  makeEmpty(""), makeEmpty(""), makeEmpty("")};

    Composer c{song};
    intro(c);
    mainTheme(c);
    breakdown(c);
    secondTheme(c);
    closing(c);
    ending(c);
    return song;
}
