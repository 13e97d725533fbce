// A Qt Test program with several test objects.
#pragma once

#include <QObject>
#include <QTest>
#include <initializer_list>
#include <string>

namespace kira::test {

// Runs the test objects of one program in turn. ctest runs each test
// function alone, by name: then only the object that has it runs.
inline int RunTestObjects(int argc, char** argv, std::initializer_list<QObject*> objects) {
  int status = 0;
  for (QObject* object : objects) {
    bool has = true;
    for (int i = 1; i < argc; ++i)
      if (argv[i][0] != '-' && object->metaObject()->indexOfMethod((std::string(argv[i]) + "()").c_str()) < 0)
        has = false;
    if (has) status |= QTest::qExec(object, argc, argv);
  }
  return status;
}

}  // namespace kira::test
