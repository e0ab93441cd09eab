#include "XSession.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

std::vector<std::string> Environment(const std::map<std::string, std::string>& changes) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        if (!changes.count(name)) result.push_back(text);
    }
    for (const auto& [name, value] : changes)
        if (!value.empty()) result.push_back(name + "=" + value);
    return result;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = folder + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return "";
}

bool TXImage::SavePpm(const std::string& path) const {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << width << " " << height << "\n255\n";
    for (uint32_t pixel : pixels) {
        const char rgb[3] = {char(pixel >> 16), char(pixel >> 8), char(pixel)};
        out.write(rgb, 3);
    }
    return bool(out);
}

bool SameColour(uint32_t a, uint32_t b, int tolerance) {
    for (int shift : {16, 8, 0}) {
        const int x = int((a >> shift) & 0xff), y = int((b >> shift) & 0xff);
        if (std::abs(x - y) > tolerance) return false;
    }
    return true;
}

std::string ColourText(uint32_t rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "%06x", rgb & 0xffffff);
    return text;
}

std::unique_ptr<TXvfb> TXvfb::Start(int width, int height, std::string* why) {
    const std::string program = FindProgram("Xvfb");
    if (program.empty()) {
        *why = "Xvfb is not installed";
        return nullptr;
    }
    int ready[2];
    if (::pipe(ready) != 0) {
        *why = std::strerror(errno);
        return nullptr;
    }
    // The server picks a free display itself and names it on the descriptor -displayfd gives.
    std::vector<std::string> args = {
        program,     "-displayfd", std::to_string(ready[1]),
        "-screen",   "0",          std::to_string(width) + "x" + std::to_string(height) + "x24",
        "-nolisten", "tcp",        "-ac",
        "-noreset"};
    std::vector<char*> argv = Pointers(args);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, ready[0]);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::unique_ptr<TXvfb> session(new TXvfb);
    const int spawned =
        ::posix_spawn(&session->server, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ready[1]);
    if (spawned != 0) {
        ::close(ready[0]);
        session->server = -1;
        *why = std::string("Xvfb did not start: ") + std::strerror(spawned);
        return nullptr;
    }
    std::string number;
    char c;
    while (::read(ready[0], &c, 1) == 1 && c != '\n')
        number += c;
    ::close(ready[0]);
    if (number.empty()) {
        *why = "Xvfb did not name its display";
        return nullptr;
    }
    session->display = ":" + number;
    session->connection = xcb_connect(session->display.c_str(), nullptr);
    if (xcb_connection_has_error(session->connection)) {
        *why = "cannot connect to " + session->display;
        return nullptr;
    }
    session->root = xcb_setup_roots_iterator(xcb_get_setup(session->connection)).data->root;
    return session;
}

TXvfb::~TXvfb() {
    if (connection) xcb_disconnect(connection);
    if (server > 0) {
        ::kill(server, SIGTERM);
        ::waitpid(server, nullptr, 0);
    }
}

TXImage TXvfb::Grab(xcb_window_t window) {
    TXImage image;
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
    if (!geometry) return image;
    image.width = geometry->width;
    image.height = geometry->height;
    free(geometry);
    xcb_get_image_reply_t* reply =
        xcb_get_image_reply(connection,
                            xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0,
                                          uint16_t(image.width), uint16_t(image.height), ~0u),
                            nullptr);
    if (!reply) {
        image.width = image.height = 0;
        return image;
    }
    const auto* data = reinterpret_cast<const uint32_t*>(xcb_get_image_data(reply));
    const size_t count = static_cast<size_t>(image.width) * image.height;
    if (static_cast<size_t>(xcb_get_image_data_length(reply)) >= count * 4)
        image.pixels.assign(data, data + count);
    else
        image.width = image.height = 0;
    for (uint32_t& pixel : image.pixels)
        pixel &= 0xffffff;
    free(reply);
    return image;
}

uint32_t TXvfb::PixelAt(xcb_window_t window, int x, int y) {
    xcb_get_image_reply_t* reply =
        xcb_get_image_reply(connection,
                            xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, int16_t(x),
                                          int16_t(y), 1, 1, ~0u),
                            nullptr);
    uint32_t pixel = 0xff000000u; // no colour: the window is gone or the point outside it
    if (reply && xcb_get_image_data_length(reply) >= 4)
        std::memcpy(&pixel, xcb_get_image_data(reply), 4), pixel &= 0xffffff;
    free(reply);
    return pixel;
}

xcb_window_t TXvfb::CreateWindow(int x, int y, int width, int height, uint32_t rgb) {
    const xcb_window_t window = xcb_generate_id(connection);
    const uint32_t values[] = {rgb};
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, root, int16_t(x), int16_t(y),
                      uint16_t(width), uint16_t(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL, values);
    xcb_map_window(connection, window);
    free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    return window;
}

void TXvfb::ResizeWindow(xcb_window_t window, int width, int height) {
    const uint32_t values[] = {uint32_t(width), uint32_t(height)};
    xcb_configure_window(connection, window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                         values);
    free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

void TXvfb::DestroyWindow(xcb_window_t window) {
    xcb_destroy_window(connection, window);
    free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

std::vector<xcb_window_t> TXvfb::WindowsNamed(const std::string& text) {
    std::vector<xcb_window_t> found;
    xcb_query_tree_reply_t* tree =
        xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr);
    if (!tree) return found;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
        xcb_get_property_reply_t* name = xcb_get_property_reply(
            connection,
            xcb_get_property(connection, 0, children[i], XCB_ATOM_WM_NAME, XCB_ATOM_ANY, 0, 256),
            nullptr);
        if (!name) continue;
        const std::string value(static_cast<const char*>(xcb_get_property_value(name)),
                                size_t(xcb_get_property_value_length(name)));
        if (value.find(text) != std::string::npos) found.push_back(children[i]);
        free(name);
    }
    free(tree);
    return found;
}

TProcess::TProcess(const std::vector<std::string>& argv_in,
                   const std::map<std::string, std::string>& env, const std::string& output_file)
    : output_file(output_file) {
    std::vector<std::string> args = argv_in;
    std::vector<std::string> environment = Environment(env);
    std::vector<char*> argv = Pointers(args), envp = Pointers(environment);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (::posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
}

TProcess::~TProcess() {
    if (Running()) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
}

bool TProcess::Running() {
    if (pid <= 0 || status) return false;
    int raw;
    if (::waitpid(pid, &raw, WNOHANG) == pid) {
        status = raw;
        return false;
    }
    return true;
}

std::optional<int> TProcess::Wait(std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (Running() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return status;
}

void TProcess::Signal(int signal) {
    if (Running()) ::kill(pid, signal);
}

std::string TProcess::Output() const {
    std::ifstream in(output_file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TRunResult RunToEnd(const std::vector<std::string>& argv,
                    const std::map<std::string, std::string>& env, const std::string& scratch) {
    TProcess process(argv, env, scratch);
    TRunResult result;
    if (const auto status = process.Wait(std::chrono::seconds(60))) result.status = *status;
    result.output = process.Output();
    return result;
}
