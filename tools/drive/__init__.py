"""Driving Voxra from outside, for the end-to-end tests, the benchmarks and
the README pictures: xdrive (the game on a private X server), cdrive (the
page in headless Chromium), observe (frames presented, read off the X
server), puzzle_model (what a picture must show). Import with tools/ on
PYTHONPATH: `from drive import xdrive`."""
