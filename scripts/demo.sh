#!/usr/bin/env bash
# Installs, builds and runs the main job: the host program on the quick-start example, then on the
# reference example (a scene file referenced through a reference helper, and the records it made), then
# on the parameters example (values changed locally on referenced content, kept when it loads again), on
# the overrides example (referenced nodes renamed, re-parented, re-layered, hidden and re-coloured) and on
# the shot set-up example (three files referenced through the global script interface, one prefixed, one
# through its proxy, local changes, the shot saved and opened again), on the save cycle example (a scene
# with a reference saved, unchanged in memory, and opened again with its local changes) and on the layers
# example (a reference's layers prefixed, one renamed locally and kept through a reload, released by a
# dismiss), on the scene scripting example (a set dressed by script with primitives, shapes, a camera, a
# light, modifiers, transforms and controllers, referenced into a shot, its local values kept through a
# reload while the rest follows the file), on the compounds example (an operand of a referenced Boolean
# switched off, a referenced camera made orthographic and a Morpher channel's weight changed, kept through a
# reload while the author's later lens, cone display and channel name follow the file), on the reactions
# example (a reaction state added to a referenced lid, kept through a reload and reacting to the author's
# later width, while a flap whose width alone was moved takes the author's later reaction), on the scene
# references example (a referenced set's tree and bark, items of a plant library, and its props in a
# container: the user's tree, local bark and props kept through a reload while the author's moved
# library, proxies and new prop come through), on the Biped example (a referenced character whose
# animator's keys, layer and switch are kept through a reload from the author's later file, whose new mixer
# clip comes through), on the particles example (a referenced particle flow whose action switched off, added
# action and changed connection are kept while the author's later change comes through), and last the
# manager example in the host's GUI mode (on Qt's offscreen platform when there is
# no display).
# The build tree and its options are the test command's, so running the tests afterwards builds only the
# tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" build -DOSTRIVANS_WERROR=ON -- ostrivans-host
cd "$root"
"$root/build/app/ostrivans-host" examples/quickstart.ms
"$root/build/app/ostrivans-host" examples/reference.ms
"$root/build/app/ostrivans-host" examples/parameters.ms
"$root/build/app/ostrivans-host" examples/overrides.ms
"$root/build/app/ostrivans-host" examples/controllers.ms
"$root/build/app/ostrivans-host" examples/shot_setup.ms
"$root/build/app/ostrivans-host" examples/save_cycle.ms
"$root/build/app/ostrivans-host" examples/layers.ms
"$root/build/app/ostrivans-host" examples/scene_scripting.ms
"$root/build/app/ostrivans-host" examples/compounds.ms
"$root/build/app/ostrivans-host" examples/reactions.ms
"$root/build/app/ostrivans-host" examples/scene_references.ms
"$root/build/app/ostrivans-host" examples/biped.ms
"$root/build/app/ostrivans-host" examples/cat.ms
"$root/build/app/ostrivans-host" examples/particles.ms
gui_platform=${QT_QPA_PLATFORM:-}
[ -z "$gui_platform" ] && [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && gui_platform=offscreen
QT_QPA_PLATFORM=$gui_platform "$root/build/app/ostrivans-host" --gui --exit examples/manager.ms
