// Seconds @tonejs/midi takes to read each Standard MIDI File named on the command line (the
// best of three reads), one line per file: PATH SECONDS NOTES.
const fs = require("fs");
const { Midi } = require("@tonejs/midi");

for (const path of process.argv.slice(2)) {
  const bytes = fs.readFileSync(path);
  let best = Infinity;
  let notes = 0;
  for (let i = 0; i < 3; i++) {
    const start = process.hrtime.bigint();
    const midi = new Midi(bytes);
    const seconds = Number(process.hrtime.bigint() - start) / 1e9;
    best = Math.min(best, seconds);
    notes = midi.tracks.reduce((sum, track) => sum + track.notes.length, 0);
  }
  console.log(path, best, notes);
}
