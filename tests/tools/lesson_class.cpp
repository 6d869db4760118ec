// Makes a class's results of a lesson, as scripted students hand them in:
// odd-numbered students answer every prediction right, even-numbered ones
// wrong, and student k lets the run go IDLE + k ticks before the lesson's
// first task, so that no two runs are alike. For the grading tests and for
// timing the grader on a class.
//
//     lesson-class LESSON_FILE DIR COUNT [IDLE_TICKS]
#include "lessonstudent.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

int main(int argc, char **argv)
{
    if (argc < 4 || argc > 5) {
        std::cerr << "usage: lesson-class LESSON_FILE DIR COUNT [IDLE_TICKS]\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const int count = std::stoi(argv[3]);
    const int idle = argc == 5 ? std::stoi(argv[4]) : 0;
    using namespace sessiontesting;
    try {
        HeadlessLesson probe(text.str(), "Probe");
        const Observed seen = followLesson(probe, Answering::Probe);
        for (int k = 1; k <= count; ++k) {
            char name[32];
            std::snprintf(name, sizeof name, "%03d", k);
            HeadlessLesson student(text.str(), std::string("Student ") + name);
            student.setRunning(true);
            for (int tick = 0; tick < idle + k; ++tick)
                student.tick();
            student.setRunning(false);
            followLesson(student, k % 2 == 1 ? Answering::Right : Answering::Wrong, seen);
            std::ofstream out(std::string(argv[2]) + '/' + name + ".result", std::ios::binary);
            out << student.result();
            if (!out.flush())
                throw std::runtime_error(std::string("cannot write ") + argv[2]);
        }
    } catch (const std::exception &error) {
        std::cerr << "lesson-class: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
