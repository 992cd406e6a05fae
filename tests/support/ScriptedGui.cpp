// A stand-in for the PIN-entry program that follows a script and records what it was given.
// See README.md beside this file for the script's commands and the record's lines.
#include "RecordText.h"
#include "ScriptedGuiPlatform.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using scripted::escape;
using scripted::unescape;

namespace {

std::filesystem::path g_folder;
std::filesystem::path g_recordPath;
std::vector<std::string> g_arguments;
std::vector<std::string> g_input; // the lines read from standard input

// Appends lines to the record, opening it only for the moment: a standard stream that the
// program was started without must not be taken over by the record file.
void record(const std::vector<std::string>& lines) {
    std::ofstream out(g_recordPath, std::ios::binary | std::ios::app);
    for (const std::string& line : lines)
        out << line << '\n';
}

void record(const std::string& line) {
    record(std::vector<std::string>{line});
}

bool writeOut(const std::string& bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() &&
           std::fflush(stdout) == 0;
}

void readInput() {
    std::vector<std::string> lines;
    std::string line;
    int c;
    while ((c = std::getc(stdin)) != EOF) {
        if (c == '\n') {
            lines.push_back("stdin " + escape(line));
            g_input.push_back(line);
            line.clear();
        } else {
            line += static_cast<char>(c);
        }
    }
    if (!line.empty())
        lines.push_back("stdin-unterminated " + escape(line));
    lines.push_back("stdin-end");
    record(lines);
}

void awaitFile(const std::filesystem::path& path) {
    while (!std::filesystem::exists(path))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

// Runs one command; returns false when the program is to end.
bool run(const std::string& command, const std::string& operand, int& exitCode) {
    if (command == "read") {
        readInput();
    } else if (command == "line") {
        writeOut(unescape(operand) + "\n");
    } else if (command == "argline") {
        const auto index = static_cast<std::size_t>(std::stoi(operand));
        writeOut((index < g_arguments.size() ? g_arguments[index] : std::string()) + "\n");
    } else if (command == "inputline") {
        // "I" or "I DEFAULT": the default stands for what a user would type.
        const std::size_t blank = operand.find(' ');
        const auto index = static_cast<std::size_t>(std::stoi(operand.substr(0, blank)));
        const std::string fallback =
            blank == std::string::npos ? std::string() : unescape(operand.substr(blank + 1));
        writeOut((index < g_input.size() ? g_input[index] : fallback) + "\n");
    } else if (command == "raw") {
        writeOut(unescape(operand));
    } else if (command == "sleep") {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(operand)));
    } else if (command == "flood") {
        const std::string chunk(4096, 'x');
        while (writeOut(chunk)) {
        }
        record("flood-ended");
    } else if (command == "touch") {
        std::ofstream(g_folder / operand).put('\n');
    } else if (command == "await") {
        awaitFile(g_folder / operand);
    } else if (command == "exit") {
        exitCode = std::stoi(operand);
        return false;
    } else if (command == "env") {
        std::vector<std::string> lines;
        for (const std::string& entry : scripted::environmentEntries())
            lines.push_back("env " + escape(entry));
        record(lines);
    } else if (command == "cwd") {
        record("cwd " + escape(scripted::currentDirectory()));
    } else if (command == "integrity") {
        record("integrity " + scripted::integrityLevel());
    } else if (command == "pid") {
        record("pid " + std::to_string(scripted::processId()));
    } else if (command == "handles") {
        record(scripted::handleRecord());
    } else {
        record("bad-command " + escape(command));
        exitCode = 3;
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    scripted::binaryStandardStreams();
    g_folder = scripted::programFolder();
    std::filesystem::path scriptPath = scripted::pathFromEnvironment("KESTROVA_GUI_SCRIPT");
    if (scriptPath.empty())
        scriptPath = g_folder / "Gui.script";
    g_recordPath = scripted::pathFromEnvironment("KESTROVA_GUI_RECORD");
    if (g_recordPath.empty())
        g_recordPath = g_folder / "Gui.record";

    std::vector<std::string> start = scripted::startRecord();
    g_arguments = scripted::arguments(argc, argv);
    for (std::size_t i = 0; i < g_arguments.size(); ++i)
        start.push_back("arg " + std::to_string(i) + " " + escape(g_arguments[i]));
    start.push_back("args " + std::to_string(g_arguments.size()));

    std::ifstream script(scriptPath, std::ios::binary);
    std::vector<std::string> commands;
    for (std::string line; std::getline(script, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] != '#')
            commands.push_back(line);
    }
    const bool scriptRead = script.eof();
    script.close();
    record(start);
    if (!scriptRead) {
        record("no-script");
        return 3;
    }

    int exitCode = 0;
    for (const std::string& line : commands) {
        const std::size_t blank = line.find(' ');
        const std::string command = line.substr(0, blank);
        const std::string operand = blank == std::string::npos ? "" : line.substr(blank + 1);
        if (!run(command, operand, exitCode))
            break;
    }
    return exitCode;
}
