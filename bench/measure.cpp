// SPDX-License-Identifier: MIT
// Runs commands in turn, many times each, and prints the median wall time, the median CPU time
// (user and system) and the median peak resident memory of each, and for two commands their ratios.
// Taking turns spreads whatever else the machine is doing evenly over all of them. Usage: measure
// [-r] <runs> <name> <command> [<name> <command> ...] Each command is one string, split at blanks;
// the output of the runs is discarded. With -r each command gets one line "<name> <median wall ms>
// <median peak RSS KiB> <median CPU ms>" for a script to read.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Sample
{
    double seconds;
    double cpuSeconds;
    long maxRssKiB;
};

std::vector<std::string> split(const std::string &command)
{
    std::vector<std::string> words;
    size_t start = 0;
    while (start < command.size()) {
        const size_t end = command.find(' ', start);
        const size_t stop = end == std::string::npos ? command.size() : end;
        if (stop > start)
            words.push_back(command.substr(start, stop - start));
        start = stop + 1;
    }
    return words;
}

bool runOnce(const std::vector<std::string> &words, Sample *sample)
{
    std::vector<char *> argv;
    for (const std::string &w : words)
        argv.push_back(const_cast<char *>(w.c_str()));
    argv.push_back(nullptr);

    const auto begin = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR)
            return false;
    }
    const auto end = std::chrono::steady_clock::now();
    sample->seconds = std::chrono::duration<double>(end - begin).count();
    sample->cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
                         + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    sample->maxRssKiB = usage.ru_maxrss;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

template<typename T>
T median(std::vector<T> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char *argv[])
{
    const bool raw = argc > 1 && std::strcmp(argv[1], "-r") == 0;
    if (raw) {
        --argc;
        ++argv;
    }
    if (argc < 4 || (argc - 2) % 2 != 0 || std::atoi(argv[1]) < 1) {
        std::fprintf(stderr,
                     "usage: measure [-r] <runs> <name> <command> [<name> <command> ...]\n");
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    std::vector<std::string> names;
    std::vector<std::vector<std::string>> commands;
    for (int i = 2; i + 1 < argc; i += 2) {
        names.emplace_back(argv[i]);
        commands.push_back(split(argv[i + 1]));
    }
    const size_t n = names.size();

    std::vector<std::vector<double>> seconds(n);
    std::vector<std::vector<double>> cpuSeconds(n);
    std::vector<std::vector<long>> rss(n);
    for (int i = 0; i < runs; ++i) {
        for (size_t which = 0; which < n; ++which) {
            Sample sample{};
            if (!runOnce(commands[which], &sample)) {
                std::fprintf(stderr, "measure: %s failed\n", names[which].c_str());
                return 1;
            }
            seconds[which].push_back(sample.seconds);
            cpuSeconds[which].push_back(sample.cpuSeconds);
            rss[which].push_back(sample.maxRssKiB);
        }
    }

    std::vector<double> medianSeconds(n);
    std::vector<double> medianCpu(n);
    std::vector<long> medianRss(n);
    for (size_t which = 0; which < n; ++which) {
        medianSeconds[which] = median(seconds[which]);
        medianCpu[which] = median(cpuSeconds[which]);
        medianRss[which] = median(rss[which]);
        if (raw) {
            std::printf("%s %.1f %ld %.1f\n", names[which].c_str(), medianSeconds[which] * 1000,
                        medianRss[which], medianCpu[which] * 1000);
            continue;
        }
        std::printf("%-10s median wall %8.1f ms   CPU %8.1f ms   peak RSS %8ld KiB   (%d runs)\n",
                    names[which].c_str(), medianSeconds[which] * 1000, medianCpu[which] * 1000,
                    medianRss[which], runs);
    }
    if (n == 2 && !raw) {
        std::printf("ratio %s/%s: wall %.3f   CPU %.3f   peak RSS %.3f\n", names[0].c_str(),
                    names[1].c_str(), medianSeconds[0] / medianSeconds[1],
                    medianCpu[0] / medianCpu[1], double(medianRss[0]) / double(medianRss[1]));
    }
    return 0;
}
