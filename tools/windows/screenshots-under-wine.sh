#!/usr/bin/env bash
# Runs the Windows build of the screenshot tool under Wine, in a new prefix with a Japanese locale on
# its own virtual X server, and writes the six pictures into the output folder.
# Usage: screenshots-under-wine.sh <callpad_screenshots.exe> <output folder> <scratch folder>
set -euo pipefail
exe=$(realpath "$1")
mkdir -p "$2"
output=$(cd "$2" && pwd)
rm -rf "$3"
mkdir -p "$3"
# shellcheck source=wine-session.sh
. "$(dirname "$0")/wine-session.sh"
start_wine_session "$(cd "$3" && pwd)"
# The tool takes a Windows path; Wine's drive Z: is the root folder.
timeout 120 wine "$exe" "Z:${output//\//\\}"
