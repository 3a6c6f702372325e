// SPDX-License-Identifier: GPL-3.0-or-later
#include "helptext.h"

#include <iterator>

namespace sorvel {
namespace {

constexpr std::string_view lines[] = {
    "Welcome to the Sorvel!",
    "",
    "Sorvel trains your ear to hear whether notes are in tune. It shows a single note, an "
    "interval or a chord on the staff at left, plays it with a synthesized instrument sound, and "
    "asks you to judge its tuning. If you are using Sorvel for the first time, please read these "
    "instructions before you begin.",
    "",
    "To start, choose one of the page tabs above: Single Notes, Intervals or Chords. \"New "
    "Exercise\" (and Ctrl+N) works on those pages, not on this one.",
    "",
    "1. Choose an exercise category from the tabs above: Single Notes, Intervals or Chords. The "
    "choices of that category are then shown in this box. The \"New Exercise\" button works "
    "while one of these three pages is open.",
    "",
    "2. Tick the features you want to drill. When you tick several options of a subcategory (for "
    "example several intervals, or both harmonic and melodic intervals), one of them is chosen at "
    "random for each exercise. When none is ticked in a subcategory, one of all its options is "
    "chosen.",
    "",
    "Single Notes: tick the pitches to work on.",
    "",
    "Intervals: tick the intervals, then whether they stay within an octave or are larger than "
    "an octave, and whether they are harmonic (both notes together) or melodic (one note after "
    "the other).",
    "",
    "Chords: tick the chord types and inversions, then closed or open position, and stacked "
    "chords (all notes together) or broken chords (one note after the other). A triad has no "
    "third inversion: when only \"3rd inversion\" is ticked, a triad comes in any of its three "
    "positions.",
    "",
    "The \"Select All\" and \"Deselect All\" buttons tick or clear a whole row of options at "
    "once. Rest the cursor on an option or a button to see a hint about it.",
    "",
    "On the Intervals page the \"Bottom note\" menu fixes the bottom note of the interval, and "
    "on the Chords page the \"Chord root\" menu fixes the root of the chord (in an inversion the "
    "root is then not the lowest note). Leave the menu at \"Any\" for a random pitch.",
    "",
    "3. Choose the task and the difficulty among the exercise options at the lower right.",
    "",
    "\"Identify flat or sharp pitches\": mark every out-of-tune note as flat or sharp.",
    "",
    "\"Correct the tuning\": retune the out-of-tune notes until they sound right.",
    "",
    "\"Compare Tuning Systems\": hear the same sonority in two tuning systems side by side; the "
    "name above each copy says which system it is in.",
    "",
    "The difficulty slider runs from Easy to Hard. Harder exercises use smaller mistunings "
    "(between 20 and 40 cents at the easiest level, from 4 cents at the hardest), may have a "
    "larger number of out-of-tune pitches, and require more precise answers.",
    "",
    "The box \"Compare with correctly tuned version\" adds a correctly tuned copy of the "
    "sonority, drawn with white noteheads, in front of the one you are tested on. A single note "
    "always comes with such a copy.",
    "",
    "Without that copy, one note of the tested sonority is drawn with a white notehead: it is in "
    "tune and serves as your reference.",
    "",
    "Choose the tuning system with the drop-down menu at the far right. In the task \"Compare "
    "Tuning Systems\" the second menu below it chooses the second system.",
    "",
    "Changed options take effect at the next new exercise.",
    "",
    "4. The buttons under the staff:",
    "",
    "\"New Exercise\" starts an exercise with the current options.",
    "",
    "\"Start Over\" restarts the current exercise: your marks and retunings are cleared, and "
    "options changed in the meantime are ignored.",
    "",
    "\"Check Answer\" rates your answer with a verdict shown over the staff for two seconds.",
    "",
    "In the marking task the verdict counts the notes you judged correctly, from \"Wrong\" to "
    "\"Right\". In the tuning task it rates your tuning from \"Poor\" through \"Fair\" and "
    "\"Good\" to \"Excellent\": a single note against its correct pitch, an interval or chord "
    "by how close the intervals between its notes come to the correct ones. Beyond the "
    "tolerance, each further tolerance's worth of error, or part of one, costs one grade. "
    "\"Excellent\" needs a single note "
    "within the tolerance of its correct pitch; an interval or chord needs every interval "
    "within the tolerance and every note within 1 cent of its correct pitch (otherwise the best "
    "is \"Good\"). The tolerance shrinks from 7.5 cents at the easiest difficulty to 2.5 at the "
    "hardest.",
    "",
    "\"Reveal Errors\" shows the answer. In the marking task it marks every out-of-tune note "
    "correctly, and an in-tune note you marked is shown in red. In the tuning task it colours "
    "correctly tuned notes green and the others red, a darker red the further out of tune they "
    "are.",
    "",
    "\"Show Answers on Tuning Diagram\" shows, for the pitch under the mouse, its correct tuning "
    "(green) and its sounding pitch (red) relative to A-440 equal temperament. In the tuning "
    "task this is the pitch under the mouse, which may not be the pitch you selected. Click the "
    "button a second time to hide them.",
    "",
    "5. Working on an exercise:",
    "",
    "Listening: hover the mouse over a note or chord to hear it. Move away from the score to "
    "stop the sound.",
    "",
    "Melodic intervals and broken chords are written one note per column: hover over each "
    "column to hear its note.",
    "",
    "White noteheads are always in tune. Any number of the black noteheads, zero included, may "
    "be out of tune.",
    "",
    "Marking: click once on a flat note (a triangle pointing up appears: the note needs to be "
    "raised), twice on a sharp note (a triangle pointing down: it needs to be lowered), and once "
    "more to remove the mark. White notes cannot be marked.",
    "",
    "Tuning: click a note to select it, then raise or lower it with the up and down arrow keys "
    "or the mouse wheel while you listen. Keep the mouse over the sonority of the selected "
    "note: the keys act on it only while that sonority is the one you last listened to.",
    "",
    "Comparing: choose two tuning systems and press \"New Exercise\". The sonority is shown "
    "once in each system, the first in the system of the first menu, all noteheads black. Both "
    "are already in tune within their system, but you may retune them to hear the difference.",
    "",
    "6. If the sound is noisy or responds slowly, \"Advanced Sound Options...\" lets you trade "
    "quick response for smooth sound.",
    "",
    "Instrument and drone: Sound > Instrument chooses the timbre of every sound: English horn, "
    "oboe, clarinet, flute, violin, cello, French horn, trumpet, choir \"aah\", pipe organ, a "
    "pure sine, or a bright tone (harmonic h at 1/h). The change is heard at once, also while a "
    "chord sounds. Practise in the timbre you play: it decides which partials meet and so which "
    "beats you hear. Sound > Drone (Ctrl+D) holds a tone under the exercise, also while the "
    "mouse is away from the staff: the lowest note of the tested sonority, in tune in the "
    "exercise's tuning system, an octave lower down to A1 (at start-up an A). Tune a third or a "
    "fifth against it. Its level, a little below the notes, is set in Sound Options.",
    "",
    "7. Click the \"Help Me!\" tab, or press F1, to return to this page at any time.",
    "",
    "Menus and keys: the menu bar holds the commands of the buttons, each greyed out exactly "
    "when its button is. Ctrl+N New Exercise, Ctrl+Backspace Start Over, Ctrl+Return Check "
    "Answer, Ctrl+R Reveal Errors, Ctrl+Z Undo, Ctrl+H Session Record, Ctrl+B Beats, Ctrl+D Drone, F1 this "
    "page, Ctrl+Q Quit. The up and down arrow keys and the mouse wheel retune the selected note.",
    "",
    "Without a mouse: the staff holds the keyboard (a frame shows it). Left and Right move the "
    "cursor, a dashed orange frame, from sonority to sonority and make it sound, as resting the "
    "mouse there would; Alt+Up and Alt+Down move it between the notes of the sonority; Space "
    "clicks the cursor note (marks it flat, sharp or clear, or selects it); Up and Down retune; "
    "Escape stops the sound. Tab and Shift+Tab go through the controls, Ctrl+Tab and "
    "Ctrl+PageDown or PageUp switch the pages, Escape or F6 returns to the staff, F10 opens the "
    "menu bar. Alt with the underlined letter presses a button or opens a page: Alt+N New "
    "Exercise, Alt+K Check Answer. A screen reader names every control, sonority and note.",
    "",
    "Exercise > Undo (Ctrl+Z) brings back the exercise and your answer that \"New Exercise\" or "
    "\"Start Over\" replaced; pressed again, it returns to the newer exercise.",
    "",
    "Beats (View menu, Ctrl+B): why a chord sounds out of tune. For what sounds, each pair of "
    "notes with the harmonics that nearly meet (m of the lower, n of the upper note), the rate "
    "at which they beat in Hz, how loud the weaker of them is, and a pulse that brightens and "
    "darkens in time with the beats you hear. After \"Reveal Errors\", and when comparing "
    "tuning systems, it also gives the rate of the correct tuning. While the drone is on, it "
    "counts as one of the notes, so that a single note shows its beats against the drone too. "
    "The session record notes answers given with it open.",
    "",
    "Session Record (View menu, Ctrl+H): a row for every \"Check Answer\" of this run, with "
    "the cents of each tested note, the largest error first (rest the mouse on the cell to see "
    "them all), and a summary per interval or chord type. \"Copy\" puts the rows on the "
    "clipboard, \"Save...\" writes them to a file. Sorvel keeps nothing by itself: when you "
    "quit with rows neither saved nor copied, it asks whether to save them.",
    "",
    "Find My Threshold (Exercise menu, Alt+E then T): measures the smallest mistuning whose "
    "direction you still hear, for a single note or for one interval or chord type ticked on "
    "the current page, in the current tuning, reference pitch and instrument. Choose the type "
    "(key Y steps to the next) and press Start (key T). Each trial puts a new exercise on the "
    "staff with one black note off by d cents; hover the staff, then answer Flat (key F) or "
    "Sharp (key S). d follows a "
    "3-down/1-up staircase on a log scale, which settles where 79.4 % of answers are right: it "
    "starts at 30 cents, shrinks after three right answers and grows after a wrong one, and "
    "stays between 0.25 and 60 cents. The test ends after 10 reversals or 80 trials; the "
    "threshold is the geometric mean of d at the last 6 reversals. The window plots d per "
    "trial and shows the threshold, the share of right answers and what it means in beats; "
    "the session record keeps a row per test with all of its trials.",
    "",
    "Notes on tuning system:",
    "",
    "Equal: the octave is divided into twelve equal semitones, each a ratio of the twelfth root "
    "of 2. Every key sounds alike, but no interval except the octave is pure: the fifths are 2 "
    "cents narrow and the major thirds 14 cents wide.",
    "",
    "Perfect: the bass note is tuned in equal temperament, and every note above it forms a just "
    "interval with the bass: minor second 16:15, major second 9:8, minor third 6:5, major third "
    "5:4, fourth 4:3, tritone the square root of 2, fifth 3:2, minor sixth 8:5, major sixth "
    "5:3, minor seventh 16:9, major seventh 15:8. ",
    "",
    "In Perfect tuning compound intervals take twice the ratio of the simple interval for each "
    "octave, and inverted intervals are 2 divided by the ratio of "
    "the interval they invert (the fifth 3:2 inverts the fourth 4:3).",
    "",
    "Vallotti, Werkmeister III and Meantone are unequal tunings with A = 440 Hz. Each pitch "
    "class keeps its ratio to the A below it in every octave, so keys sound different from one "
    "another.",
    "",
    "Vallotti: the six fifths F-C, C-G, G-D, D-A, A-E and E-B are narrowed alike by a sixth of "
    "the Pythagorean comma (about 3.9 cents); the other six fifths are pure.",
    "",
    "Werkmeister III: the four fifths C-G, G-D, D-A and E-B are narrowed alike by a quarter of "
    "the Pythagorean comma (about 5.9 cents); all other fifths are pure.",
    "",
    "Meantone: eleven fifths, from E flat up through B flat, F, C, G, D, A, E, B, F sharp and C "
    "sharp to G sharp, are narrowed alike by a quarter of the syntonic comma 81:80 (about 5.4 "
    "cents), which makes most major thirds pure. The remaining fifth, from G sharp to E flat, "
    "is about 36 cents wide and sounds harsh.",
    "",
    "Other tunings (the Tuning menu): \"Reference Pitch\" sets A4 for every system, for "
    "example 415 Hz for baroque pitch or 442 Hz for many orchestras; the tuning diagram then "
    "counts cents from equal temperament at that A4 and names it. \"Open Scale...\" (Ctrl+O) "
    "imports a 12-note Scala scale (.scl), with a keyboard mapping (.kbm) chosen along with it if "
    "you want one, as a sixth system in both tuning boxes. Historical temperaments installed with "
    "Sorvel are offered first: Kirnberger III, Young's second, Kellner, 1/6-comma meantone and "
    "Pythagorean. Both apply from the next New Exercise, and Sorvel forgets them when it ends.",
};

} // namespace

std::span<const std::string_view> helpLines() {
    return lines;
}

std::string helpText() {
    std::string text;
    for (std::size_t i = 0; i < std::size(lines); ++i) {
        if (i > 0)
            text += '\n';
        text += lines[i];
    }
    return text;
}

} // namespace sorvel
