#!/usr/bin/env python3
"""Runs the examples of README.md that show a command with its output and compares.

Two kinds of example are checked:
- a fenced block whose first line starts with "$ ": each "$ command" runs in bash and what it
  prints on standard output must equal the lines that follow it, up to the next "$ " line or
  the end of the block;
- the blocks of the "Result lines" section: every line shown must be a line of the result
  files of the demo run (a line ending in " ..." shows the start of a longer line).

Commands run in a scratch folder that looks like the source tree: the source tree's top-level
entries are linked into it and `build` points at the build tree, so `build/driver/tesk_wave`
and `tests/data/...` mean what they mean in a checkout built with `make`.
"""
import os
import re
import subprocess
import sys
import tempfile

RESULT_FILES = ["wood.wave", "ground.wave", "shake.wave", "energy.wave", "ramp.wave"]


def fenced_blocks(text):
    """(heading, lines) of every fenced block; heading is the last "## " heading above it."""
    blocks, heading, inside, lines = [], "", False, []
    for line in text.splitlines():
        if not inside and line.startswith("## "):
            heading = line[3:].strip()
        if line.startswith("```"):
            if inside:
                blocks.append((heading, lines))
            inside, lines = not inside, []
            continue
        if inside:
            lines.append(line)
    return blocks


def command_examples(blocks):
    """(command, expected output lines) for every "$ " line of a block that starts with one."""
    examples = []
    for _, lines in blocks:
        if not lines or not lines[0].startswith("$ "):
            continue
        for line in lines:
            if line.startswith("$ "):
                examples.append((line[2:], []))
            else:
                examples[-1][1].append(line)
    return examples


def scratch_tree(source, build, where):
    for entry in os.listdir(source):
        if not entry.startswith(".") and not entry.startswith("build"):
            os.symlink(os.path.join(source, entry), os.path.join(where, entry))
    os.symlink(build, os.path.join(where, "build"))


def run_demo(source, build, where, env):
    """The result files of the demo run, as examples/run-demo.sh makes them."""
    event = os.path.join(source, "examples", "event")
    with open(os.path.join(event, "synth.event")) as f:
        origin, lat, lon, depth = f.read().split()[:4]
    args = [os.path.join(build, "driver", "tesk_wave"), "-v", "-w", "-g", "-e", "-r",
            "-l", lat, lon, "-t", origin, "-d", depth,
            "-coord", os.path.join(event, "synth.stat"), "-resp", os.path.join(event, "synth.resp"),
            "-sens", os.path.join(event, "synth.sens"), "-pick", os.path.join(event, "synth.pick"),
            "-model", os.path.join(build, "traveltime", "iasp91")]
    args += sorted(os.path.join(event, f) for f in os.listdir(event) if f.endswith(".mseed"))
    subprocess.run(args, cwd=where, env=env, check=True, stdout=subprocess.DEVNULL)
    lines = []
    for name in RESULT_FILES:
        with open(os.path.join(where, name)) as f:
            lines += f.read().splitlines()
    return lines


def main():
    source, build = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    with open(os.path.join(source, "README.md")) as f:
        blocks = fenced_blocks(f.read())
    failures, checked = [], 0
    env = dict(os.environ, LEAPSECONDS=os.path.join(source, "data", "leapseconds"))

    with tempfile.TemporaryDirectory() as where:
        scratch_tree(source, build, where)
        for command, expected in command_examples(blocks):
            done = subprocess.run(["bash", "-c", command], cwd=where, env=env,
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
            checked += 1
            if done.stdout.splitlines() != expected:
                failures.append("README example `%s`\n  expected:\n%s\n  printed:\n%s%s" % (
                    command, "\n".join(expected), done.stdout, done.stderr))

    with tempfile.TemporaryDirectory() as where:
        demo = run_demo(source, build, where, env)
        for heading, lines in blocks:
            if heading != "Result lines" or (lines and lines[0].startswith("$ ")):
                continue
            for line in lines:
                checked += 1
                shown = line[:-4] if line.endswith(" ...") else None
                if line not in demo and not (shown and any(d.startswith(shown) for d in demo)):
                    failures.append("README result line not in the demo's result files:\n" + line)

    for failure in failures:
        print(failure)
    print("%d examples checked, %d differ" % (checked, len(failures)))
    return 1 if failures or checked < 8 else 0


if __name__ == "__main__":
    sys.exit(main())
